#pragma once

#include <utility>
#include <vector>

#include "plot/Drawing.h"
#include "plot/PlotGeometry.h"
#include "plot/TrackParts.h"
#include "plot/Views.h"

namespace qu::plot {

// The lines of a track's picture: curves followed sample by sample into both views, cut to
// each view's frame and merged within kDrawTolerance, with only the samples that show.

// The rest of the track in both views, as one polyline in each. Without `inPlan` only the
// profile is drawn.
std::pair<Polyline, Polyline> DrawRest(const TrackRest& rest, const Views& views, LineStyle style,
                                       bool inPlan = true);

// The run's curve in both views.
std::pair<Polyline, Polyline> DrawRun(const RunPath& run, const Views& views, LineStyle style);

// A polyline of the mapped points as it shows in the frame; non-finite points break it.
Polyline Draw(LineStyle style, const std::vector<Point2>& points, const ViewportMapping& map,
              const Box& frame);

}  // namespace qu::plot
