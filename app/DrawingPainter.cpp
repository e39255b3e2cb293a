#include "app/DrawingPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace qu {
namespace {

QColor ColourOf(plot::Colour colour) {
  return QColor::fromRgb(static_cast<QRgb>(colour));
}

QPointF PointOf(const plot::Point2& p) {
  return {p.x, p.y};
}

QRectF RectOf(const plot::Box& box) {
  return QRectF(PointOf(box.min), PointOf(box.max));
}

// A pen as the SVG writer's lines are drawn: flat ends, round joins, dashes in picture units.
QPen LinePen(plot::Colour colour, double width, bool dashed) {
  QPen pen(ColourOf(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
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

void PaintPolyline(QPainter& painter, const plot::Polyline& line) {
  const plot::LineLook look = plot::LookOf(line.style);
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

void PaintFrame(QPainter& painter, const plot::Drawing& drawing, const plot::Frame& frame) {
  const QRectF box = RectOf(frame.box);
  painter.setPen(QPen(ColourOf(drawing.frameOutline), drawing.frameOutlineWidth));
  painter.setBrush(ColourOf(drawing.frameFill));
  painter.drawRect(box);
  PaintText(painter, frame.label);
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  for (const plot::Polyline& line : frame.lines) PaintPolyline(painter, line);
  for (const plot::Circle& circle : frame.marks) PaintCircle(painter, circle);
  painter.restore();
}

}  // namespace

void PaintDrawing(QPainter& painter, const plot::Drawing& drawing, const QRectF& target) {
  if (!(drawing.width > 0) || !(drawing.height > 0) || target.isEmpty()) return;
  const double scale = std::min(target.width() / drawing.width, target.height() / drawing.height);
  painter.save();
  painter.translate(target.x() + (target.width() - drawing.width * scale) / 2,
                    target.y() + (target.height() - drawing.height * scale) / 2);
  painter.scale(scale, scale);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.fillRect(QRectF(0, 0, drawing.width, drawing.height), ColourOf(drawing.background));
  PaintText(painter, drawing.title);
  for (const plot::Frame& frame : drawing.frames) PaintFrame(painter, drawing, frame);
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
