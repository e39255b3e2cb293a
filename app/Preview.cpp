#include "Preview.h"

#include <QPainter>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include "CombineOverlay.h"
#include "DrawingPainter.h"
#include "NumberText.h"
#include "TrackPlot.h"

namespace qu {
namespace {

QString SegmentCountText(int segments) {
  return segments == 1 ? QString("1 segment") : QString("%1 segments").arg(segments);
}

QString DeviationText(double deviation) {
  return QString("largest deviation %1 track units").arg(deviation, 0, 'f', 3);
}

bool SameBits(const Vector3& a, const Vector3& b) {
  return std::bit_cast<std::uint32_t>(a.x) == std::bit_cast<std::uint32_t>(b.x) &&
         std::bit_cast<std::uint32_t>(a.y) == std::bit_cast<std::uint32_t>(b.y) &&
         std::bit_cast<std::uint32_t>(a.z) == std::bit_cast<std::uint32_t>(b.z);
}

bool SameControls(const BezierVertex& a, const BezierVertex& b) {
  return SameBits(a.controlIn, b.controlIn) && SameBits(a.controlOut, b.controlOut);
}

int SegmentsOf(std::span<const BezierVertex> vertices) {
  return vertices.empty() ? 0 : static_cast<int>(vertices.size()) - 1;
}

std::span<const BezierVertex> VerticesOf(const VertexSnapshot& snapshot) {
  return snapshot ? std::span<const BezierVertex>(*snapshot) : std::span<const BezierVertex>();
}

QImage Paint(const plot::Drawing& drawing, const QSize& size, qreal devicePixelRatio) {
  if (drawing.frames.empty() || size.isEmpty()) return {};
  QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintDrawing(painter, drawing, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

PreviewContent Live(const PreviewRequest& request) {
  PreviewContent content;
  const std::span<const BezierVertex> current = VerticesOf(request.current);
  const std::optional<int> last = LastSegmentFromText(request.countText);
  std::optional<plot::CombineOverlayResult> combined;
  if (last) combined = plot::BuildCombineOverlay(current, 0, *last + 1);
  if (!combined || !combined->overlay) {
    content.kind = PreviewContent::Kind::kRefused;
    content.message =
        CombineRefusalText(SegmentsOf(current), combined ? &combined->combine : nullptr);
    content.drawing = plot::DrawTrack(current, "The track as it is");
    return content;
  }
  content.kind = PreviewContent::Kind::kLive;
  content.segments = combined->overlay->count;
  content.maxDeviation = combined->overlay->maxDeviation;
  content.message =
      QString("COMBINE! would refit the first %1: %2.")
          .arg(SegmentCountText(content.segments), DeviationText(content.maxDeviation));
  content.drawing = plot::DrawTrack(
      current,
      "What COMBINE! would make of the first " + SegmentCountText(content.segments).toStdString(),
      &*combined->overlay);
  return content;
}

PreviewContent Combined(const PreviewRequest& request) {
  PreviewContent content;
  const std::span<const BezierVertex> current = VerticesOf(request.current);
  const std::span<const BezierVertex> loaded = VerticesOf(request.loaded);
  content.segments = ChangedRun(loaded, current);
  if (content.segments == 0) {
    content.kind = PreviewContent::Kind::kUnchanged;
    content.message = "No changes since the track was loaded.";
    content.drawing = plot::DrawTrack(current, "The track as loaded");
    return content;
  }
  content.kind = PreviewContent::Kind::kCombined;
  content.maxDeviation = request.lastDeviation;
  content.message =
      QString(
          "The first %1 as loaded (dashed) and as they are now (blue); the "
          "latest fit: %2.")
          .arg(SegmentCountText(content.segments), DeviationText(content.maxDeviation));
  // The run as it is now, drawn over the track as loaded.
  const plot::CombineOverlay now{
      0, content.segments,
      std::vector<BezierVertex>(current.begin(), current.begin() + content.segments + 1),
      content.maxDeviation};
  content.drawing = plot::DrawTrack(
      loaded, "The first " + SegmentCountText(content.segments).toStdString() + " as loaded and now",
      &now);
  return content;
}

}  // namespace

QString CombineRefusalText(int segments, const CombineResult* refused) {
  if (refused && refused->refusal == CombineRefusal::kNotFinite) {
    QString text = QString::fromStdString(refused->reason);
    text[0] = text[0].toUpper();
    return text + ". These segments cannot be combined.";
  }
  if (segments == 0) return "The track has no segments to combine.";
  if (segments == 1) return "The track has 1 segment. Type the number 1.";
  return QString("The track has %1. Type a number from 1 to %2.")
      .arg(SegmentCountText(segments))
      .arg(std::min(segments, kMaxCombinedSegments));
}

QString CombineRefusalText(const VertexChunk& chunk, const CombineResult* refused) {
  return CombineRefusalText(SegmentCount(chunk), refused);
}

int ChangedRun(std::span<const BezierVertex> then, std::span<const BezierVertex> now) {
  if (then.size() != now.size() || then.data() == now.data()) return 0;
  for (std::size_t i = now.size(); i-- > 0;) {
    if (!SameControls(then[i], now[i])) return std::max(static_cast<int>(i), 1);
  }
  return 0;
}

bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b) {
  return a.size() == b.size() && ChangedRun(a, b) == 0;
}

PreviewContent ComputePreview(const PreviewRequest& request) {
  PreviewContent content;
  switch (request.mode) {
    case PreviewRequest::Mode::kNoTrack:
      content.message = "Load a track to see what COMBINE! would do.";
      return content;
    case PreviewRequest::Mode::kLive:
      content = Live(request);
      break;
    case PreviewRequest::Mode::kCombined:
      content = Combined(request);
      break;
  }
  content.image = Paint(content.drawing, request.size, request.devicePixelRatio);
  return content;
}

}  // namespace qu
