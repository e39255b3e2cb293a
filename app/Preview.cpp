#include "app/Preview.h"

#include <QPainter>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include "app/DrawingPainter.h"
#include "app/NumberText.h"
#include "plot/CombineOverlay.h"
#include "plot/TrackPlot.h"

namespace qu {
namespace {

QString SegmentCountText(int segments) {
  return segments == 1 ? QString("1 segment") : QString("%1 segments").arg(segments);
}

// "the first 3 segments" from the start of the track, "segments 120 to 125" (or "segment
// 120") from anywhere else; capitalised to begin a sentence.
QString RunText(int first, int count, bool capital = false) {
  QString text = first == 0   ? "the first " + SegmentCountText(count)
                 : count == 1 ? QString("segment %1").arg(first)
                              : QString("segments %1 to %2").arg(first).arg(first + count - 1);
  if (capital) text[0] = text[0].toUpper();
  return text;
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
  if (last) combined = plot::BuildCombineOverlay(current, request.start, *last + 1);
  if (!combined || !combined->overlay) {
    content.kind = PreviewContent::Kind::kRefused;
    content.message = CombineRefusalText(SegmentsOf(current), request.start,
                                         last ? std::optional<int>(*last + 1) : std::nullopt,
                                         combined ? &combined->combine : nullptr);
    content.drawing = plot::DrawTrack(current, "The track as it is");
    return content;
  }
  content.kind = PreviewContent::Kind::kLive;
  content.first = combined->overlay->first;
  content.segments = combined->overlay->count;
  content.maxDeviation = combined->overlay->maxDeviation;
  const QString run = RunText(content.first, content.segments);
  content.message =
      QString("COMBINE! would refit %1: %2.").arg(run, DeviationText(content.maxDeviation));
  content.drawing = plot::DrawTrack(current, "What COMBINE! would make of " + run.toStdString(),
                                    &*combined->overlay, plot::PlanScope::kWholeTrack);
  return content;
}

PreviewContent Combined(const PreviewRequest& request) {
  PreviewContent content;
  const std::span<const BezierVertex> current = VerticesOf(request.current);
  const std::span<const BezierVertex> loaded = VerticesOf(request.loaded);
  const SegmentRun changed = ChangedRun(loaded, current);
  if (changed.count == 0) {
    content.kind = PreviewContent::Kind::kUnchanged;
    content.message = "No changes since the track was loaded.";
    content.drawing = plot::DrawTrack(current, "The track as loaded");
    return content;
  }
  content.kind = PreviewContent::Kind::kCombined;
  content.first = changed.first;
  content.segments = changed.count;
  content.maxDeviation = request.lastDeviation;
  const QString run = RunText(content.first, content.segments, true);
  content.message = QString(
                        "%1 as loaded (dashed) and as they are now (blue); the latest "
                        "fit: %2.")
                        .arg(run, DeviationText(content.maxDeviation));
  // The run as it is now, drawn over the track as loaded.
  const auto from = current.begin() + content.first;
  const plot::CombineOverlay now{content.first, content.segments,
                                 std::vector<BezierVertex>(from, from + content.segments + 1),
                                 content.maxDeviation};
  content.drawing = plot::DrawTrack(loaded, run.toStdString() + " as loaded and now", &now,
                                    plot::PlanScope::kWholeTrack);
  return content;
}

}  // namespace

QString CombineRefusalText(int segments, int start, std::optional<int> count,
                           const CombineResult* refused) {
  if (refused && refused->refusal == CombineRefusal::kNotFinite) {
    QString text = QString::fromStdString(refused->reason);
    text[0] = text[0].toUpper();
    return text + ". These segments cannot be combined.";
  }
  if (segments == 0) return "The track has no segments to combine.";
  if (start == 0) {
    if (segments == 1) return "The track has 1 segment. Type the number 1.";
    return QString("The track has %1. Type a number from 1 to %2.")
        .arg(SegmentCountText(segments))
        .arg(std::min(segments, kMaxCombinedSegments));
  }
  if (start < 0 || start >= segments) {
    return QString("The track has %1, so no run starts at segment %2. Choose a start from 0 to %3.")
        .arg(SegmentCountText(segments))
        .arg(start)
        .arg(segments - 1);
  }
  const int most = std::min(segments - start, kMaxCombinedSegments);
  const QString asked = count ? SegmentCountText(*count) : QString("that many segments");
  const QString choice =
      most == 1 ? QString("Type the number 1.") : QString("Type a number from 1 to %1.").arg(most);
  return QString("COMBINE! cannot take %1 from segment %2: the track has %3. %4")
      .arg(asked)
      .arg(start)
      .arg(SegmentCountText(segments), choice);
}

SegmentRun ChangedRun(std::span<const BezierVertex> then, std::span<const BezierVertex> now) {
  if (then.size() != now.size() || then.data() == now.data()) return {};
  std::optional<std::size_t> first, last;
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (SameControls(then[i], now[i])) continue;
    if (!first) first = i;
    last = i;
  }
  if (!first) return {};
  const int from = static_cast<int>(*first), to = static_cast<int>(*last);
  if (to > from) return {from, to - from};
  // One vertex: the segment it starts, or the one it ends when it starts none.
  const int segments = static_cast<int>(now.size()) - 1;
  return {std::min(from, std::max(segments - 1, 0)), 1};
}

bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b) {
  return a.size() == b.size() && ChangedRun(a, b).count == 0;
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
