#include "plot/Views.h"

#include <algorithm>
#include <cmath>

#include "plot/PictureLayout.h"

namespace qu::plot {
namespace {

// The plan of the whole track, the run before and after and its handles included.
Box WholePlan(const RunExtent& extent, const TrackRest& rest) {
  BoxBuilder plan;
  plan.Add(extent.plan.min);
  plan.Add(extent.plan.max);
  for (const TrackRange& range : rest.ranges) {
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      plan.Add(Plan(p));
      return true;
    });
  }
  return Padded(plan.box());
}

}  // namespace

ViewportMapping::ViewportMapping(const Box& data, const Box& viewport, bool flipY, bool keepAspect)
    : data_(data), flipY_(flipY) {
  // An axis without extent takes the other's scale, or 1 when neither has any.
  const double sx = data.width() > 0 ? viewport.width() / data.width() : INFINITY;
  const double sy = data.height() > 0 ? viewport.height() / data.height() : INFINITY;
  const double common = std::isfinite(std::min(sx, sy)) ? std::min(sx, sy) : 1.0;
  scaleX_ = keepAspect || !std::isfinite(sx) ? common : sx;
  scaleY_ = keepAspect || !std::isfinite(sy) ? common : sy;
  // Centre the scaled data in the viewport.
  offset_ = {viewport.min.x + (viewport.width() - data.width() * scaleX_) / 2,
             viewport.min.y + (viewport.height() - data.height() * scaleY_) / 2};
}

ViewPlacement ViewportMapping::placement() const {
  const double scaleY = flipY_ ? -scaleY_ : scaleY_;
  const double anchorY = flipY_ ? data_.max.y : data_.min.y;
  return {scaleX_, scaleY, offset_.x - data_.min.x * scaleX_, offset_.y - anchorY * scaleY};
}

Box FocusOn(const Box& run, double margin) {
  const double grow = std::max({run.width(), run.height(), 1.0}) * margin;
  return {{run.min.x - grow, run.min.y - grow}, {run.max.x + grow, run.max.y + grow}};
}

Box Padded(const Box& box) {
  return Grown(box, std::max({box.width(), box.height(), 1.0}) * 0.05);
}

Views WholeTrackViews(const std::pair<Box, Box>& bounds) {
  return {ViewportMapping(Padded(bounds.first), kPlanPanel, false),
          ViewportMapping(Padded(bounds.second), kElevationPanel, true, false)};
}

std::pair<double, double> ProfileRange(const RunExtent& extent) {
  const Box& runBox = extent.elevation;
  const double grow = std::max(runBox.width(), 1.0) * 0.6;
  return {runBox.min.x - grow, runBox.max.x + grow};
}

ViewportMapping ElevationMapping(const RunExtent& extent, const TrackRest& rest) {
  const auto [from, to] = ProfileRange(extent);
  Box elevationData = Padded(ProfileWindow(extent, rest, from, to));
  elevationData.min.x = from;
  elevationData.max.x = to;
  return ViewportMapping(elevationData, kElevationPanel, true, false);
}

Views FocusedViews(const RunExtent& extent, const TrackRest& rest, PlanScope planScope) {
  const Box planData =
      planScope == PlanScope::kRun ? FocusOn(extent.plan, 0.6) : WholePlan(extent, rest);
  return {ViewportMapping(planData, kPlanPanel, false), ElevationMapping(extent, rest)};
}

}  // namespace qu::plot
