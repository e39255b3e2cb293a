#include "Preview.h"

#include <QPainter>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include "NumberText.h"
#include "SvgClipping.h"
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

QImage Render(const std::string& svg, const QSize& size, qreal devicePixelRatio) {
  if (svg.empty() || size.isEmpty()) return {};
  QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  RenderSvgClipped(QByteArray::fromStdString(svg), painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

PreviewContent Live(const PreviewRequest& request) {
  PreviewContent content;
  VertexChunk chunk;
  chunk.Vertices = request.current;
  const std::optional<int> last = LastSegmentFromText(request.countText);
  std::optional<CombineResult> result;
  if (last) result = CombineSegments(chunk, 0, *last);
  if (!result || !result->combined()) {
    content.kind = PreviewContent::Kind::kRefused;
    content.message = CombineRefusalText(chunk, result ? &*result : nullptr);
    content.svg = plot::RenderSvg(request.current, "The track as it is", std::nullopt);
    return content;
  }
  content.kind = PreviewContent::Kind::kLive;
  content.segments = *last + 1;
  content.maxDeviation = result->maxDeviation;
  content.message =
      QString("COMBINE! would refit the first %1: %2.")
          .arg(SegmentCountText(content.segments), DeviationText(content.maxDeviation));
  content.svg = plot::RenderSvg(
      request.current,
      "What COMBINE! would make of the first " + SegmentCountText(content.segments).toStdString(),
      plot::CombineOverlay{std::move(chunk.Vertices), content.segments, content.maxDeviation});
  return content;
}

PreviewContent Combined(const PreviewRequest& request) {
  PreviewContent content;
  content.segments = ChangedRun(request.loaded, request.current);
  if (content.segments == 0) {
    content.kind = PreviewContent::Kind::kUnchanged;
    content.message = "No changes since the track was loaded.";
    content.svg = plot::RenderSvg(request.current, "The track as loaded", std::nullopt);
    return content;
  }
  content.kind = PreviewContent::Kind::kCombined;
  content.maxDeviation = request.lastDeviation;
  content.message =
      QString(
          "The first %1 as loaded (dashed) and as they are now (blue); the "
          "latest fit: %2.")
          .arg(SegmentCountText(content.segments), DeviationText(content.maxDeviation));
  content.svg = plot::RenderSvg(
      request.loaded,
      "The first " + SegmentCountText(content.segments).toStdString() + " as loaded and now",
      plot::CombineOverlay{request.current, content.segments, content.maxDeviation});
  return content;
}

}  // namespace

QString CombineRefusalText(const VertexChunk& chunk, const CombineResult* refused) {
  const int segments = SegmentCount(chunk);
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

int ChangedRun(const std::vector<BezierVertex>& then, const std::vector<BezierVertex>& now) {
  if (then.size() != now.size()) return 0;
  for (std::size_t i = now.size(); i-- > 0;) {
    if (!SameControls(then[i], now[i])) return std::max(static_cast<int>(i), 1);
  }
  return 0;
}

bool SameControlPoints(const std::vector<BezierVertex>& a, const std::vector<BezierVertex>& b) {
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
  content.image = Render(content.svg, request.size, request.devicePixelRatio);
  return content;
}

}  // namespace qu
