#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <string>
#include <vector>

#include "SegmentMerge.h"
#include "VertexChunks.h"

namespace qu {

// The preview of the window: what COMBINE! would do with the typed count, or what the
// combines so far have done, as words and as the picture `qutrack plot` draws. Computed from
// copies of the vertex table, so it can run on any thread and never touches the model.

// Why a combine with `refused` (or with a count out of range when it is null) was refused,
// as the window says it.
QString CombineRefusalText(const VertexChunk& chunk, const CombineResult* refused);

struct PreviewRequest {
  enum class Mode {
    kNoTrack,  // nothing loaded that could be combined
    kLive,     // what COMBINE! with `countText` would do to `current`
    kCombined  // `loaded` beside `current`
  };
  Mode mode = Mode::kNoTrack;
  std::vector<BezierVertex> current;
  std::vector<BezierVertex> loaded;
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
  QString message;  // what the panel says in words
  std::string svg;  // the picture as the drawing module writes it; empty without a track
  QImage image;     // the picture rendered at the requested size
};

PreviewContent ComputePreview(const PreviewRequest& request);

// The number of leading vertices of `now` up to the last one whose control points differ,
// bit for bit, from `then`: the run that the combines changed. 0 when none differs.
int ChangedRun(const std::vector<BezierVertex>& then, const std::vector<BezierVertex>& now);

// True when both tables hold the same control points, bit for bit.
bool SameControlPoints(const std::vector<BezierVertex>& a, const std::vector<BezierVertex>& b);

}  // namespace qu
