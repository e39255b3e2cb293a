#include "app/Preview.h"

#include <QPainter>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "app/DrawingPainter.h"
#include "app/NumberText.h"
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

// How far, in pixels of a picture `pixels` wide, a point of the plan frame moves from the
// whole track's placement to the drawing's (the most its corners move; both keep the aspect).
double PlanShiftInPixels(const plot::Frame& drawn, const plot::Frame& whole, double pixels,
                         double pictureWidth) {
  double most = 0.0;
  for (const plot::Point2& corner : {drawn.box.min, drawn.box.max}) {
    const plot::Point2 moved = drawn.placement.Map(whole.placement.Unmap(corner));
    most = std::max({most, std::fabs(moved.x - corner.x), std::fabs(moved.y - corner.y)});
  }
  return most * pixels / pictureWidth;
}

// A run that widens the plan's view so little that the track's line would move by less than
// this (a fit that strays a hair beyond the track's box) leaves its painting where it is.
constexpr double kLayerShiftPixels = 0.25;

// The picture of a drawing of the run, the rest of the track from the version's layer where
// the drawing leaves it out.
QImage Paint(const plot::Drawing& drawing, const TrackVersion& track, const QSize& size,
             qreal devicePixelRatio) {
  if (drawing.frames.empty() || size.isEmpty()) return {};
  QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::white);
  QPainter painter(&image);
  const plot::Frame& plan = drawing.frames.front();
  const bool layered = plan.restAt.has_value() && !track.whole().drawing.frames.empty();
  // The version's painting when the plan is placed as the track's own; moved for this one
  // when the run widens the view.
  const bool moved = layered && PlanShiftInPixels(plan, track.whole().drawing.frames.front(),
                                                  size.width() * devicePixelRatio,
                                                  drawing.width) > kLayerShiftPixels;
  const QImage layer = !layered ? QImage()
                       : moved
                           ? PaintRestLayer(track.whole().drawing, size, devicePixelRatio, &plan)
                           : track.RestLayer(size, devicePixelRatio);
  PaintDrawing(painter, drawing, QRectF(QPointF(0, 0), QSizeF(size)), layered ? &layer : nullptr);
  return image;
}

// The track alone under a title: the version's picture of it, the title painted over it. The
// drawing keeps the frames, for their places, but not their lines, which the picture holds.
void ShowTrack(PreviewContent& content, const TrackVersion& track, const std::string& title,
               const PreviewRequest& request) {
  const plot::Drawing& whole = track.whole().drawing;
  content.drawing = {whole.width,        whole.height,
                     whole.background,   whole.frameFill,
                     whole.frameOutline, whole.frameOutlineWidth,
                     whole.title,        {},
                     whole.legend,       whole.deviation,
                     whole.axisNote};
  for (const plot::Frame& frame : whole.frames) {
    content.drawing.frames.push_back(
        {frame.name, frame.box, frame.placement, frame.label, {}, frame.marks, 0});
  }
  content.drawing.title.text = title;
  if (content.drawing.frames.empty() || request.size.isEmpty()) return;
  content.image = track.TrackPicture(request.size, request.devicePixelRatio);
  QPainter painter(&content.image);
  PaintTitle(painter, content.drawing, QRectF(QPointF(0, 0), QSizeF(request.size)));
}

PreviewContent Live(const PreviewRequest& request) {
  PreviewContent content;
  const TrackVersion& track = *request.current;
  const std::span<const BezierVertex> current = track.vertices();
  const std::optional<SegmentRun> asked = RunFromText(request.countText, request.start);
  std::optional<CombinedCopy> combined;
  if (asked) combined = CombineCopyOfRun(current, *asked);
  if (!combined || !combined->combined) {
    content.kind = PreviewContent::Kind::kRefused;
    content.message = CombineRefusalText(SegmentCount(current), request.start,
                                         asked ? std::optional<int>(asked->count) : std::nullopt,
                                         combined ? &combined->combine : nullptr);
    ShowTrack(content, track, "The track as it is", request);
    return content;
  }
  const CombinedRun& refit = *combined->combined;
  content.kind = PreviewContent::Kind::kLive;
  content.first = refit.run.first;
  content.segments = refit.run.count;
  content.maxDeviation = refit.maxDeviation;
  const QString words = RunText(content.first, content.segments);
  content.message =
      QString("COMBINE! would refit %1: %2.").arg(words, DeviationText(content.maxDeviation));
  content.drawing = plot::DrawRunOnWholeTrack(
      track.whole(), current, "What COMBINE! would make of " + words.toStdString(), refit);
  content.image = Paint(content.drawing, track, request.size, request.devicePixelRatio);
  return content;
}

PreviewContent Combined(const PreviewRequest& request) {
  PreviewContent content;
  const TrackVersion& track = *request.current;
  const std::span<const BezierVertex> current = track.vertices();
  const std::optional<LatestCombine>& latest = request.latest;
  const int segments = SegmentCount(current);
  if (!latest || latest->run.count < 1 || latest->run.first < 0 ||
      latest->run.first + latest->run.count > segments) {
    content.kind = PreviewContent::Kind::kUnchanged;
    content.message = "No changes since the track was loaded.";
    ShowTrack(content, track, "The track as loaded", request);
    return content;
  }
  content.kind = PreviewContent::Kind::kCombined;
  content.first = latest->run.first;
  content.segments = latest->run.count;
  content.maxDeviation = latest->maxDeviation;
  const QString run = RunText(content.first, content.segments, true);
  content.message = QString("%1 as they were (dashed) and after the latest COMBINE! (blue): %2.")
                        .arg(run, DeviationText(content.maxDeviation));
  if (latest->runsChanged > 1) {
    content.message +=
        QString(" %1 runs differ from the track as loaded.").arg(latest->runsChanged);
  }
  // Only the run is copied: as the latest COMBINE! left it, and as it was before.
  const auto from = current.begin() + content.first;
  const CombinedRun now{latest->run, std::vector<BezierVertex>(from, from + content.segments + 1),
                        content.maxDeviation};
  std::vector<BezierVertex> before = now.after;
  before.front().controlOut = latest->startOutBefore;
  before.back().controlIn = latest->endInBefore;
  content.drawing = plot::DrawRunOnWholeTrack(
      track.whole(), current, run.toStdString() + " before and after the latest COMBINE!", now,
      before);
  content.image = Paint(content.drawing, track, request.size, request.devicePixelRatio);
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

std::optional<SegmentRun> RunFromText(const std::string& countText, int start) {
  const std::optional<int> last = LastSegmentFromText(countText);
  if (!last) return std::nullopt;
  return SegmentRun{start, *last + 1};
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
  const int segments = SegmentCount(now);
  return {std::min(from, std::max(segments - 1, 0)), 1};
}

bool SameControlPoints(std::span<const BezierVertex> a, std::span<const BezierVertex> b) {
  return a.size() == b.size() && ChangedRun(a, b).count == 0;
}

int RunsChanged(std::span<const SegmentRun> runs, std::span<const BezierVertex> loaded,
                std::span<const BezierVertex> now) {
  std::vector<std::pair<int, int>> seen;
  int changed = 0;
  for (const SegmentRun& run : runs) {
    const auto start = static_cast<std::size_t>(run.first);
    const auto end = start + static_cast<std::size_t>(run.count);
    if (run.first < 0 || run.count < 1 || end >= loaded.size() || end >= now.size()) continue;
    if (std::find(seen.begin(), seen.end(), std::pair(run.first, run.count)) != seen.end()) {
      continue;
    }
    seen.emplace_back(run.first, run.count);
    if (!SameBits(loaded[start].controlOut, now[start].controlOut) ||
        !SameBits(loaded[end].controlIn, now[end].controlIn)) {
      ++changed;
    }
  }
  return changed;
}

TrackVersion::TrackVersion(VertexSnapshot vertices)
    : vertices_(vertices ? std::move(vertices)
                         : std::make_shared<const std::vector<BezierVertex>>()),
      whole_(plot::PrepareWholeTrack(*vertices_)) {}

QImage TrackVersion::Cached(Painted& cache, const QSize& size, qreal devicePixelRatio,
                            const std::function<QImage()>& paint) const {
  const std::lock_guard lock(mutex_);
  if (cache.image.isNull() || cache.size != size || cache.devicePixelRatio != devicePixelRatio) {
    cache = {size, devicePixelRatio, paint()};
    ++paintings_;
  }
  return cache.image;
}

QImage TrackVersion::RestLayer(const QSize& size, qreal devicePixelRatio) const {
  return Cached(restLayer_, size, devicePixelRatio,
                [&] { return PaintRestLayer(whole_.drawing, size, devicePixelRatio); });
}

QImage TrackVersion::TrackPicture(const QSize& size, qreal devicePixelRatio) const {
  return Cached(trackPicture_, size, devicePixelRatio, [&] {
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDrawing(painter, whole_.drawing, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
  });
}

int TrackVersion::paintings() const {
  const std::lock_guard lock(mutex_);
  return paintings_;
}

PreviewContent ComputePreview(const PreviewRequest& request) {
  PreviewContent content;
  if (request.mode == PreviewRequest::Mode::kNoTrack || !request.current) {
    content.message = "Load a track to see what COMBINE! would do.";
    return content;
  }
  return request.mode == PreviewRequest::Mode::kLive ? Live(request) : Combined(request);
}

}  // namespace qu
