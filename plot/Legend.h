#pragma once

#include "geometry/SegmentMerge.h"
#include "plot/Drawing.h"

namespace qu::plot {

// The width a line of text takes at most, in picture units, estimated without a font: every
// character kCharacterEms of an em, every digit kDigitEms. The common sans serif faces set a
// digit in 0.55 to 0.64 em, and the legend's words in less than 0.6 em a character on
// average, so a label with a run's two seven-digit numbers still ends before its estimate.
inline constexpr double kCharacterEms = 0.6;
inline constexpr double kDigitEms = 0.66;
double EstimatedTextWidth(const Text& text);

// The legend beneath the views (and, with an overlay, the fit's deviation in words): entries
// placed by the estimated widths of their labels, never over one another, on a second line
// when they are wider than the picture. With `runMarked`, an entry for the band under the run.
void DrawLegend(Drawing& drawing, const CombinedRun* overlay, bool runMarked);

}  // namespace qu::plot
