#include "plot/PlanPick.h"

#include <cmath>
#include <limits>

namespace qu::plot {

std::optional<Point2> PlanPointAt(const Drawing& drawing, const Point2& picturePoint) {
  for (const Frame& frame : drawing.frames) {
    if (frame.name != "plan") continue;
    const Box& box = frame.box;
    const bool inside = picturePoint.x >= box.min.x && picturePoint.x <= box.max.x &&
                        picturePoint.y >= box.min.y && picturePoint.y <= box.max.y;
    if (!inside) return std::nullopt;
    const Point2 plan = frame.placement.Unmap(picturePoint);
    if (!std::isfinite(plan.x) || !std::isfinite(plan.y)) return std::nullopt;
    return plan;
  }
  return std::nullopt;
}

std::optional<std::size_t> NearestVertexInPlan(std::span<const BezierVertex> vertices,
                                               const Point2& plan) {
  std::optional<std::size_t> nearest;
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const Vector3& p = vertices[i].position;
    const double dx = static_cast<double>(p.x) - plan.x;
    const double dz = static_cast<double>(p.z) - plan.y;
    const double distance = dx * dx + dz * dz;
    // A position that is not finite gives NaN or infinity here, and is never nearer.
    if (!std::isfinite(distance) || distance >= best) continue;
    best = distance;
    nearest = i;
  }
  return nearest;
}

}  // namespace qu::plot
