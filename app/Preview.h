#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Drawing.h"
#include "SegmentMerge.h"
#include "VertexChunks.h"

namespace qu {

// The preview of the window: what COMBINE! would do with the typed count, or what the
// combines so far have done, as words and as the picture `qutrack plot` draws. Computed from
// vertex tables that nothing changes any more (snapshots the window shares with it), so it
// can run on any thread and never touches the model.

// A vertex table as it was at one moment; a combine makes a new one instead of changing it.
using VertexSnapshot = std::shared_ptr<const std::vector<BezierVertex>>;

// Why a combine with `refused` (or with a count out of range when it is null) was refused,
// as the window says it, for a track of `segments` segments.
QString CombineRefusalText(int segments, const CombineResult* refused);
QString CombineRefusalText(const VertexChunk& chunk, const CombineResult* refused);

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
  int segments = 0;  // the run drawn: segments 0 … segments − 1
  double maxDeviation = 0.0;
  QString message;        // what the panel says in words
  plot::Drawing drawing;  // the picture as the plot module draws it; no frames without a track
  QImage image;           // the drawing painted at the requested size
};

PreviewContent ComputePreview(const PreviewRequest& request);

// The number of leading vertices of `now` up to the last one whose control points differ,
// bit for bit, from `then`: the run that the combines changed. 0 when none differs.
int ChangedRun(std::span<const BezierVertex> then, std::span<const BezierVertex> now);

// True when both tables hold the same control points, bit for bit.
bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b);

}  // namespace qu
