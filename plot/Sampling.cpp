#include "plot/Sampling.h"

namespace qu::plot {

std::vector<Vector3> SamplePath(std::span<const BezierVertex> v, int first, int last,
                                int perSegment) {
  std::vector<Vector3> points;
  if (!IsSegmentRange(v, first, last)) return points;
  for (int i = first; i <= last; ++i) {
    const BezierVertex& a = v[static_cast<std::size_t>(i)];
    const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
    for (int k = 0; k < perSegment; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(perSegment);
      points.push_back(perSegment == kPictureSamplesPerSegment
                           ? SegmentPoint(v, i, k)
                           : BezierPoint(a.position, a.controlOut, b.position, b.controlIn, t));
    }
  }
  points.push_back(v[static_cast<std::size_t>(last + 1)].position);
  return points;
}

std::vector<Point2> PlanView(const std::vector<Vector3>& points) {
  std::vector<Point2> plan;
  for (const Vector3& p : points) plan.push_back(Plan(p));
  return plan;
}

double PathLength(const std::vector<Vector3>& points) {
  double length = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) length += Distance(points[i - 1], points[i]);
  return length;
}

std::vector<Point2> ElevationView(const std::vector<Vector3>& points, double startLength) {
  std::vector<Point2> profile;
  PathLengthCounter length(startLength);
  for (const Vector3& p : points) profile.push_back({length.Add(p), p.y});
  return profile;
}

Box BoundsOf(const std::vector<std::vector<Point2>>& groups) {
  BoxBuilder box;
  for (const auto& group : groups) {
    for (const Point2& p : group) box.Add(p);
  }
  return box.box();
}

}  // namespace qu::plot
