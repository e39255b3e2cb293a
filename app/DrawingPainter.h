#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

#include "plot/Drawing.h"

class QPainter;

namespace qu {

// A colour of the plot module (0xRRGGBB) as Qt's.
QColor ColourOf(plot::Colour colour);

// Paints a drawing of the plot module into `target` with QPainter, keeping its aspect ratio,
// centred: the page, each frame with its curves and marks clipped to the frame's box
// (QPainter::setClipRect), the texts and the legend. Fonts are the system's sans serif at the
// drawing's sizes.
//
// A frame whose rest of the track is left to a picture of the whole track (Frame::restAt) gets
// `restLayer` there: that picture's lines painted by PaintRestLayer for a target of the same
// size at the painter's origin. Over it the run's band is laid once more, narrow, so that the
// track's line beneath the run does not show, as it is not drawn there.
void PaintDrawing(QPainter& painter, const plot::Drawing& drawing, const QRectF& target,
                  const QImage* restLayer = nullptr);

// The lines of the plan view of `whole` (the track alone) in the look of the rest of the
// track, on a transparent image of `size` logical pixels, placed as PaintDrawing places a
// drawing in the whole image. With `planAs`, the plan frame of another drawing of the same
// track, the lines are moved from the whole drawing's view to that frame's.
QImage PaintRestLayer(const plot::Drawing& whole, const QSize& size, qreal devicePixelRatio,
                      const plot::Frame* planAs = nullptr);

// Only the drawing's title, placed as PaintDrawing places it.
void PaintTitle(QPainter& painter, const plot::Drawing& drawing, const QRectF& target);

}  // namespace qu
