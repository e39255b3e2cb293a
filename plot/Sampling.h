#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

#include "geometry/BezierPoint.h"
#include "plot/PlotGeometry.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// How the picture samples a track's path: every segment at kPictureSamplesPerSegment evenly
// spaced parameters, then the end point of the last; the plan and the elevation profile of
// the samples; and the boxes and lengths they give. The streaming helpers are inline, as the
// drawing calls them for every sample.

// The picture's sampling, finer than the merge's (geometry/SampleSchedule.h): enough points
// that the lines drawn through them look smooth at twice the picture's size.
inline constexpr int kPictureSamplesPerSegment = 16;

// Points along segments first … last of a vertex table, `perSegment` per segment plus the end
// point of the last one.
std::vector<Vector3> SamplePath(std::span<const BezierVertex> vertices, int first, int last,
                                int perSegment);

// Plan view: x to the right, z downwards as seen from above.
std::vector<Point2> PlanView(const std::vector<Vector3>& points);
// Elevation profile: the length of the path so far (in 3D) against the height y, starting at
// `startLength`.
std::vector<Point2> ElevationView(const std::vector<Vector3>& points, double startLength = 0.0);
// The length of a polyline through the points.
double PathLength(const std::vector<Vector3>& points);

// The box around the finite points; a point box at the origin when there is none.
Box BoundsOf(const std::vector<std::vector<Point2>>& groups);

inline Point2 Plan(const Vector3& p) {
  return {p.x, p.z};
}

inline bool IsFinite(const Point2& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

inline Box Grown(Box box, double margin) {
  box.min.x -= margin;
  box.min.y -= margin;
  box.max.x += margin;
  box.max.y += margin;
  return box;
}

// The box around the finite points added; a point box at the origin when there is none.
class BoxBuilder {
 public:
  void Add(const Point2& p) {
    if (!IsFinite(p)) return;
    if (!box_) box_ = Box{p, p};
    box_->min = {std::min(box_->min.x, p.x), std::min(box_->min.y, p.y)};
    box_->max = {std::max(box_->max.x, p.x), std::max(box_->max.y, p.y)};
  }
  Box box() const { return box_.value_or(Box{}); }
  bool empty() const { return !box_; }

 private:
  std::optional<Box> box_;
};

inline double Distance(const Vector3& a, const Vector3& b) {
  const double dx = double{b.x} - a.x;
  const double dy = double{b.y} - a.y;
  const double dz = double{b.z} - a.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The length of the path through the points added so far, from `start`.
class PathLengthCounter {
 public:
  explicit PathLengthCounter(double start) : length_(start) {}
  double Add(const Vector3& p) {
    if (started_) length_ += Distance(last_, p);
    last_ = p;
    started_ = true;
    return length_;
  }
  double length() const { return length_; }

 private:
  double length_;
  Vector3 last_;
  bool started_ = false;
};

// The parameters every segment is sampled at, with their powers, computed once.
inline const std::array<BezierWeights, kPictureSamplesPerSegment>& SampleWeights() {
  static const auto weights = [] {
    std::array<BezierWeights, kPictureSamplesPerSegment> w{};
    for (int k = 0; k < kPictureSamplesPerSegment; ++k) {
      w[static_cast<std::size_t>(k)] =
          BezierWeightsAt(static_cast<float>(k) / static_cast<float>(kPictureSamplesPerSegment));
    }
    return w;
  }();
  return weights;
}

// Sample k of segment i.
inline Vector3 SegmentPoint(std::span<const BezierVertex> v, int i, int k) {
  const BezierVertex& a = v[static_cast<std::size_t>(i)];
  const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
  return BezierPoint(a.position, a.controlOut, b.position, b.controlIn,
                     SampleWeights()[static_cast<std::size_t>(k)]);
}

inline bool IsSegmentRange(std::span<const BezierVertex> v, int first, int last) {
  return first >= 0 && last >= first && static_cast<std::size_t>(last) + 1 < v.size();
}

// Calls visit(point) with SamplePath's points in order, without storing them, until it
// returns false.
template <class Visit>
void ForEachSample(std::span<const BezierVertex> v, int first, int last, Visit visit) {
  if (!IsSegmentRange(v, first, last)) return;
  for (int i = first; i <= last; ++i) {
    for (int k = 0; k < kPictureSamplesPerSegment; ++k) {
      if (!visit(SegmentPoint(v, i, k))) return;
    }
  }
  visit(v[static_cast<std::size_t>(last + 1)].position);
}

}  // namespace qu::plot
