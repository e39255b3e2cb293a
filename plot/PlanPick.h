#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "plot/Drawing.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// Picking a vertex by pointing at the plan view of a drawing.

// The track's x and z under a point of the picture (in picture units), when the point lies
// inside the frame of the drawing's plan view.
std::optional<Point2> PlanPointAt(const Drawing& drawing, const Point2& picturePoint);

// The vertex whose position, seen from above (x and z), lies nearest `plan`; of several as
// near, the first. Nothing when no vertex has a finite position.
std::optional<std::size_t> NearestVertexInPlan(std::span<const BezierVertex> vertices,
                                               const Point2& plan);

}  // namespace qu::plot
