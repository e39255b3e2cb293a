#pragma once

#include "plot/Drawing.h"
#include "plot/PlotGeometry.h"

namespace qu::plot {

// Where the parts of a track's picture (TrackPlot.h) lie on its 800 × 400 units, their
// colours, and how closely its lines follow the sampled curves: shared by the files that draw
// the picture.

inline constexpr Box kPlanPanel{{20, 46}, {390, 326}};
inline constexpr Box kElevationPanel{{410, 46}, {780, 326}};

inline constexpr Colour kTextColour = 0x000000;
inline constexpr Colour kLegendTextColour = 0x222222;
inline constexpr Colour kRunEndColour = 0x000000;
inline constexpr double kLegendLineWidth = 2.5;

// How far, in picture units, a drawn line may stray from the sampled curve (before its
// coordinates are rounded to 0.1 in a file). The picture is 800 units wide: a twentieth of a
// unit is half the rounding step, and small enough that the corners between the lines kept do
// not show even at twice the picture's size.
inline constexpr double kDrawTolerance = 0.05;

// A segment whose samples all fit in a box this small on the page (its diagonal, in picture
// units) is drawn from its first sample alone: the others are that close to it. Lines are
// merged within what is left of kDrawTolerance, so that every sample stays within it.
inline constexpr double kDotSize = 0.01;
inline constexpr double kMergeTolerance = kDrawTolerance - kDotSize;

// Curves are cut this far outside their frame, so that the frame's own clip, not the cut,
// decides where a line ends: more than half the widest stroke plus the tolerance.
inline constexpr double kClipMargin = 8.0;

}  // namespace qu::plot
