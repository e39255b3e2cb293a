#pragma once

#include <QRectF>

#include "plot/Drawing.h"

class QPainter;

namespace qu {

// Paints a drawing of the plot module into `target` with QPainter, keeping its aspect ratio,
// centred: the page, each frame with its curves and marks clipped to the frame's box
// (QPainter::setClipRect), the texts and the legend. Fonts are the system's sans serif at the
// drawing's sizes.
void PaintDrawing(QPainter& painter, const plot::Drawing& drawing, const QRectF& target);

}  // namespace qu
