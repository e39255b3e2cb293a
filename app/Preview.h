#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "plot/Drawing.h"
#include "plot/TrackPlot.h"
#include "trackio/VertexChunks.h"

namespace qu {

// The preview of the window: what COMBINE! would do with the typed count, or what the
// combines so far have done, as words and as the picture `qutrack plot` draws. Computed from
// vertex tables that nothing changes any more (snapshots the window shares with it), so it
// can run on any thread and never touches the model.

// A vertex table as it was at one moment; a combine makes a new one instead of changing it.
using VertexSnapshot = std::shared_ptr<const std::vector<BezierVertex>>;

// One version of the track as the preview draws it: its vertex table and what every picture
// of it shares while only the run changes (plot::WholeTrack), made once when the track
// changes, and the whole track's lines painted for the size the panel has, redone only when
// that size changes. Shared read-only by the jobs; the paintings are made by whichever job
// first asks for them.
class TrackVersion {
 public:
  // Prepares the track: the whole track is sampled, drawn and measured once.
  explicit TrackVersion(VertexSnapshot vertices);

  std::span<const BezierVertex> vertices() const { return *vertices_; }
  const VertexSnapshot& snapshot() const { return vertices_; }
  const plot::WholeTrack& whole() const { return whole_; }

  // The rest of the track in the plan (PaintRestLayer) at this size.
  QImage RestLayer(const QSize& size, qreal devicePixelRatio) const;
  // The track alone (whole().drawing, no title) painted at this size.
  QImage TrackPicture(const QSize& size, qreal devicePixelRatio) const;
  // How many paintings this version has made: the same size asked again paints nothing.
  int paintings() const;

 private:
  struct Painted {
    QSize size;
    qreal devicePixelRatio = 0.0;
    QImage image;
  };
  QImage Cached(Painted& cache, const QSize& size, qreal devicePixelRatio,
                const std::function<QImage()>& paint) const;

  VertexSnapshot vertices_;
  plot::WholeTrack whole_;
  mutable std::mutex mutex_;
  mutable Painted restLayer_;
  mutable Painted trackPicture_;
  mutable int paintings_ = 0;
};

using TrackVersionPtr = std::shared_ptr<const TrackVersion>;

// Why COMBINE! of `count` segments from segment `start` was refused, as the window says it,
// for a track of `segments` segments: `refused` is the combine's refusal, or null when the
// count was out of range (and `count` then empty). From the start of the track the words
// name only the counts a user may type; from any other start they name the start too.
QString CombineRefusalText(int segments, int start, std::optional<int> count,
                           const CombineResult* refused);

// The run that a count typed in the text box names from segment `start`: the count read as
// the window reads it (|v| rounded half to even). Nothing when the text gives no count that
// fits in 16 bits. Whether the run fits the track is the combine's to say.
std::optional<SegmentRun> RunFromText(const std::string& countText, int start);

// The COMBINE! last done and not undone: its run, the run's two handles as they were before
// it (the rest of the run it left as it found), what its fit reported, and how many runs the
// combines still in effect have left different from the track as loaded.
struct LatestCombine {
  SegmentRun run;
  Vector3 startOutBefore;  // controlOut of the run's first vertex
  Vector3 endInBefore;     // controlIn of the run's end vertex
  double maxDeviation = 0.0;
  int runsChanged = 1;
};

struct PreviewRequest {
  enum class Mode {
    kNoTrack,  // nothing loaded that could be combined
    kLive,     // what COMBINE! with `countText` would do to `current`
    kCombined  // `latest` over `current` as it was before it
  };
  Mode mode = Mode::kNoTrack;
  TrackVersionPtr current;
  std::string countText;
  int start = 0;                        // kLive: the run's first segment
  std::optional<LatestCombine> latest;  // kCombined: none when the track is as loaded
  QSize size;                           // of the picture, in logical pixels
  qreal devicePixelRatio = 1.0;
};

struct PreviewContent {
  enum class Kind {
    kNoTrack,
    kLive,       // the run before and after a combine that has not happened yet
    kRefused,    // the track as it is; `message` says why the count is refused
    kCombined,   // the latest COMBINE!'s run before and after it
    kUnchanged,  // the track as it is, equal to the one loaded
  };
  Kind kind = Kind::kNoTrack;
  int first = 0;  // the run drawn: segments first … first + segments − 1
  int segments = 0;
  double maxDeviation = 0.0;
  QString message;        // what the panel says in words
  plot::Drawing drawing;  // the picture as the plot module draws it; no frames without a track
  QImage image;           // the drawing painted at the requested size
};

PreviewContent ComputePreview(const PreviewRequest& request);

// The segments between the first and the last vertex whose control points differ, bit for
// bit, between `then` and `now`: the run that the combines changed. When only one vertex
// differs, the segment it starts (the one it ends, for the last vertex). No segments when
// none differs.
SegmentRun ChangedRun(std::span<const BezierVertex> then, std::span<const BezierVertex> now);

// How many of the runs (each counted once) have a handle that differs, bit for bit, between
// `loaded` and `now`: the runs that COMBINE!s in effect have changed.
int RunsChanged(std::span<const SegmentRun> runs, std::span<const BezierVertex> loaded,
                std::span<const BezierVertex> now);

// True when both tables hold the same control points, bit for bit.
bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b);

}  // namespace qu
