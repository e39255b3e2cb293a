#include "app/DrawingPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <optional>

namespace qu {

QColor ColourOf(plot::Colour colour) {
  return QColor::fromRgb(static_cast<QRgb>(colour));
}

namespace {

QPointF PointOf(const plot::Point2& p) {
  return {p.x, p.y};
}

QRectF RectOf(const plot::Box& box) {
  return QRectF(PointOf(box.min), PointOf(box.max));
}

// Lines up to this wide (in picture units; the window shows a unit as less than a pixel
// unless the panel is far wider than it opens) join with a bevel: at that width it cannot be
// told from a round join, and it spares the stroker an arc at every point of a long line.
constexpr double kBevelledWidth = 3.0;

// A pen as the SVG writer's lines are drawn: flat ends, round joins, dashes in picture units.
QPen LinePen(plot::Colour colour, double width, bool dashed) {
  QPen pen(ColourOf(colour), width, Qt::SolidLine, Qt::FlatCap,
           width <= kBevelledWidth ? Qt::BevelJoin : Qt::RoundJoin);
  if (dashed && width > 0) pen.setDashPattern({plot::kDashOn / width, plot::kDashOff / width});
  return pen;
}

void PaintText(QPainter& painter, const plot::Text& text) {
  QFont font(QStringLiteral("sans-serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, static_cast<int>(text.size + 0.5)));
  const QString shown = QString::fromStdString(text.text);
  QPointF at = PointOf(text.at);
  if (text.anchor == plot::Anchor::kEnd) at.rx() -= QFontMetricsF(font).horizontalAdvance(shown);
  painter.setFont(font);
  painter.setPen(ColourOf(text.colour));
  painter.drawText(at, shown);
}

void PaintPolyline(QPainter& painter, const plot::Polyline& line,
                   std::optional<plot::LineLook> as = std::nullopt) {
  const plot::LineLook look = as.value_or(plot::LookOf(line.style));
  painter.setPen(LinePen(look.colour, look.width, look.dashed));
  painter.setBrush(Qt::NoBrush);
  for (const auto& stroke : line.strokes) {
    QPolygonF points;
    points.reserve(static_cast<qsizetype>(stroke.size()));
    for (const plot::Point2& p : stroke) points << PointOf(p);
    painter.drawPolyline(points);
  }
}

void PaintCircle(QPainter& painter, const plot::Circle& circle) {
  painter.setPen(QPen(ColourOf(circle.outline), 1.0));
  painter.setBrush(circle.fill ? QBrush(ColourOf(*circle.fill)) : QBrush(Qt::NoBrush));
  painter.drawEllipse(PointOf(circle.centre), circle.radius, circle.radius);
}

// The band laid over the rest of the track where it runs beneath the run: wider than the
// rest's line with its smoothed edges at any size the panel takes.
constexpr double kBandOverRestWidth = 5.0;

// The rest of the track from its layer, and where it ran beneath the run the band again.
void PaintRestLayerAt(QPainter& painter, const plot::Frame& frame, std::size_t at,
                      const QImage& layer) {
  painter.save();
  painter.resetTransform();
  painter.drawImage(QPointF(0, 0), layer);
  painter.restore();
  if (at == 0 || frame.lines[at - 1].style != plot::LineStyle::kRunMarker) return;
  plot::LineLook band = plot::LookOf(plot::LineStyle::kRunMarker);
  band.width = kBandOverRestWidth;
  PaintPolyline(painter, frame.lines[at - 1], band);
}

void PaintFrame(QPainter& painter, const plot::Drawing& drawing, const plot::Frame& frame,
                const QImage* restLayer) {
  const QRectF box = RectOf(frame.box);
  painter.setPen(QPen(ColourOf(drawing.frameOutline), drawing.frameOutlineWidth));
  painter.setBrush(ColourOf(drawing.frameFill));
  painter.drawRect(box);
  PaintText(painter, frame.label);
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  // Where the rest of the track goes; past the lines when it is not left out.
  const std::size_t restAt = restLayer && frame.restAt ? *frame.restAt : frame.lines.size() + 1;
  for (std::size_t i = 0; i < frame.lines.size(); ++i) {
    if (restAt == i) PaintRestLayerAt(painter, frame, i, *restLayer);
    PaintPolyline(painter, frame.lines[i]);
  }
  if (restAt == frame.lines.size()) PaintRestLayerAt(painter, frame, restAt, *restLayer);
  for (const plot::Circle& circle : frame.marks) PaintCircle(painter, circle);
  painter.restore();
}

// Places the drawing's units in the target, its aspect kept, centred; false when there is
// nothing to place.
bool PlaceDrawing(QPainter& painter, const plot::Drawing& drawing, const QRectF& target) {
  if (!(drawing.width > 0) || !(drawing.height > 0) || target.isEmpty()) return false;
  const double scale = std::min(target.width() / drawing.width, target.height() / drawing.height);
  painter.translate(target.x() + (target.width() - drawing.width * scale) / 2,
                    target.y() + (target.height() - drawing.height * scale) / 2);
  painter.scale(scale, scale);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  return true;
}

}  // namespace

QImage PaintRestLayer(const plot::Drawing& whole, const QSize& size, qreal devicePixelRatio,
                      const plot::Frame* planAs) {
  if (whole.frames.empty() || size.isEmpty()) return {};
  QImage layer(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(devicePixelRatio);
  layer.fill(Qt::transparent);
  QPainter painter(&layer);
  if (!PlaceDrawing(painter, whole, QRectF(QPointF(0, 0), QSizeF(size)))) return layer;
  const plot::Frame& plan = whole.frames.front();
  painter.setClipRect(RectOf((planAs ? *planAs : plan).box), Qt::IntersectClip);
  for (const plot::Polyline& line : plan.lines) {
    if (!planAs) {
      PaintPolyline(painter, line, plot::LookOf(plot::LineStyle::kRest));
      continue;
    }
    // Point by point, so that the line keeps its width.
    plot::Polyline moved{line.style, line.strokes};
    for (auto& stroke : moved.strokes) {
      for (plot::Point2& p : stroke) p = planAs->placement.Map(plan.placement.Unmap(p));
    }
    PaintPolyline(painter, moved, plot::LookOf(plot::LineStyle::kRest));
  }
  return layer;
}

void PaintTitle(QPainter& painter, const plot::Drawing& drawing, const QRectF& target) {
  painter.save();
  if (PlaceDrawing(painter, drawing, target)) PaintText(painter, drawing.title);
  painter.restore();
}

void PaintDrawing(QPainter& painter, const plot::Drawing& drawing, const QRectF& target,
                  const QImage* restLayer) {
  painter.save();
  if (!PlaceDrawing(painter, drawing, target)) {
    painter.restore();
    return;
  }
  painter.fillRect(QRectF(0, 0, drawing.width, drawing.height), ColourOf(drawing.background));
  PaintText(painter, drawing.title);
  for (const plot::Frame& frame : drawing.frames) PaintFrame(painter, drawing, frame, restLayer);
  for (const plot::LegendEntry& entry : drawing.legend) {
    const plot::LineLook look = plot::LookOf(entry.style);
    painter.setPen(LinePen(look.colour, entry.width, look.dashed));
    painter.drawLine(PointOf(entry.from), PointOf(entry.to));
    PaintText(painter, entry.label);
  }
  if (drawing.deviation) PaintText(painter, *drawing.deviation);
  PaintText(painter, drawing.axisNote);
  painter.restore();
}

}  // namespace qu
