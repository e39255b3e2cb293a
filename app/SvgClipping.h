#pragma once

#include <QByteArray>
#include <QRectF>

class QPainter;

namespace qu {

// Renders an SVG document into `target`, keeping its aspect ratio and centred, with QtSvg.
// QtSvg draws no clip paths, so the elements clipped by a rectangle `<clipPath>` (through a
// `clip-path="url(#id)"` attribute) are drawn separately, with the painter clipped to that
// rectangle. Rectangles are taken in the root's user space: clipped elements must not sit
// under a transform.
void RenderSvgClipped(const QByteArray& svg, QPainter& painter, const QRectF& target);

}  // namespace qu
