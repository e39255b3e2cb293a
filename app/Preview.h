#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "plot/Drawing.h"
#include "trackio/VertexChunks.h"

namespace qu {

// The preview of the window: what COMBINE! would do with the typed count, or what the
// combines so far have done, as words and as the picture `qutrack plot` draws. Computed from
// vertex tables that nothing changes any more (snapshots the window shares with it), so it
// can run on any thread and never touches the model.

// A vertex table as it was at one moment; a combine makes a new one instead of changing it.
using VertexSnapshot = std::shared_ptr<const std::vector<BezierVertex>>;

// Why COMBINE! of `count` segments from segment `start` was refused, as the window says it,
// for a track of `segments` segments: `refused` is the combine's refusal, or null when the
// count was out of range (and `count` then empty). From the start of the track the words
// name only the counts a user may type; from any other start they name the start too.
QString CombineRefusalText(int segments, int start, std::optional<int> count,
                           const CombineResult* refused);

// Segments first … first + count − 1 of a track; none when count is 0.
struct SegmentRun {
  int first = 0;
  int count = 0;
};

struct PreviewRequest {
  enum class Mode {
    kNoTrack,  // nothing loaded that could be combined
    kLive,     // what COMBINE! with `countText` would do to `current`
    kCombined  // `loaded` beside `current`
  };
  Mode mode = Mode::kNoTrack;
  VertexSnapshot current;
  VertexSnapshot loaded;
  std::string countText;
  int start = 0;               // kLive: the run's first segment
  double lastDeviation = 0.0;  // kCombined: the largest deviation of the latest fit
  QSize size;                  // of the picture, in logical pixels
  qreal devicePixelRatio = 1.0;
};

struct PreviewContent {
  enum class Kind {
    kNoTrack,
    kLive,       // the run before and after a combine that has not happened yet
    kRefused,    // the track as it is; `message` says why the count is refused
    kCombined,   // the run as loaded and as it is now
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

// True when both tables hold the same control points, bit for bit.
bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b);

}  // namespace qu
