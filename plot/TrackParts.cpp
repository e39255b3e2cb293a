#include "plot/TrackParts.h"

namespace qu::plot {

RunExtent ExtentOf(const RunCurves& run, const std::vector<Point2>& handles) {
  BoxBuilder plan;
  BoxBuilder elevation;
  RunExtent extent;
  extent.endLength = run.before.startLength;
  for (const Point2& p : handles) plan.Add(p);
  for (const RunPath* curve : {&run.before, &run.after}) {
    curve->ForEach([&](const Vector3& p, double s) {
      plan.Add(Plan(p));
      elevation.Add({s, p.y});
      if (curve == &run.before) {
        if (!extent.profileStart) extent.profileStart = Point2{s, p.y};
        extent.profileEnd = Point2{s, p.y};
        extent.endLength = s;
      }
    });
  }
  extent.plan = plan.box();
  extent.elevation = elevation.box();
  extent.anyElevation = !elevation.empty();
  return extent;
}

std::pair<Box, Box> RestBounds(const TrackRest& rest) {
  BoxBuilder plan;
  BoxBuilder elevation;
  for (const TrackRange& range : rest.ranges) {
    PathLengthCounter length(range.startLength);
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      plan.Add(Plan(p));
      elevation.Add({length.Add(p), p.y});
      return true;
    });
  }
  return {plan.box(), elevation.box()};
}

Box ProfileWindow(const RunExtent& run, const TrackRest& rest, double from, double to) {
  BoxBuilder window;
  if (run.anyElevation) {
    window.Add(run.elevation.min);
    window.Add(run.elevation.max);
  }
  for (const TrackRange& range : rest.ranges) {
    PathLengthCounter length(range.startLength);
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      const double s = length.Add(p);
      if (s >= from && s <= to) window.Add({s, p.y});
      return !(s > to);
    });
  }
  return window.box();
}

}  // namespace qu::plot
