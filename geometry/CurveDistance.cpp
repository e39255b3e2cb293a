#include "CurveDistance.h"

#include <algorithm>
#include <cmath>

namespace qu {
namespace {

struct Point {
  double x, y, z;
};

Point At(const Vector3& v) {
  return {v.x, v.y, v.z};
}

// The cubic and its first two derivatives at t, in double precision.
struct CurveAt {
  Point p, d1, d2;
};

CurveAt Evaluate(const Point c[4], double t) {
  const double mt = 1.0 - t;
  const double b[4] = {mt * mt * mt, 3 * t * mt * mt, 3 * t * t * mt, t * t * t};
  const double d[3] = {3 * mt * mt, 6 * t * mt, 3 * t * t};
  const double e[2] = {6 * mt, 6 * t};
  CurveAt r{};
  double* out[3][3] = {
      {&r.p.x, &r.d1.x, &r.d2.x}, {&r.p.y, &r.d1.y, &r.d2.y}, {&r.p.z, &r.d1.z, &r.d2.z}};
  for (int axis = 0; axis < 3; ++axis) {
    auto coord = [&](int i) { return axis == 0 ? c[i].x : axis == 1 ? c[i].y : c[i].z; };
    *out[axis][0] = b[0] * coord(0) + b[1] * coord(1) + b[2] * coord(2) + b[3] * coord(3);
    *out[axis][1] =
        d[0] * (coord(1) - coord(0)) + d[1] * (coord(2) - coord(1)) + d[2] * (coord(3) - coord(2));
    *out[axis][2] =
        e[0] * (coord(2) - 2 * coord(1) + coord(0)) + e[1] * (coord(3) - 2 * coord(2) + coord(1));
  }
  return r;
}

double SquaredDistance(const Point& a, const Point& b) {
  return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z);
}

double Distance(const Point& a, const Point& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                   (a.z - b.z) * (a.z - b.z));
}

// The distance from p to the curve point reached by clamped Newton steps from t.
double NearestFrom(const Point c[4], const Point& p, double t) {
  t = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.5;
  for (int step = 0; step < 6; ++step) {
    const CurveAt at = Evaluate(c, t);
    const Point diff{at.p.x - p.x, at.p.y - p.y, at.p.z - p.z};
    const double num = diff.x * at.d1.x + diff.y * at.d1.y + diff.z * at.d1.z;
    const double den = at.d1.x * at.d1.x + at.d1.y * at.d1.y + at.d1.z * at.d1.z +
                       diff.x * at.d2.x + diff.y * at.d2.y + diff.z * at.d2.z;
    if (!(den > 0.0)) break;
    t = std::clamp(t - num / den, 0.0, 1.0);
  }
  return Distance(Evaluate(c, t).p, p);
}

}  // namespace

double MaxDistanceToCurve(std::span<const Vector3> points, int first, int last,
                          const CubicSegment& s) {
  const Point c[4] = {At(s.startPoint), At(s.startControl), At(s.endControl), At(s.endPoint)};
  constexpr int kScan = 32;
  Point scan[kScan + 1];
  for (int i = 0; i <= kScan; ++i) scan[i] = Evaluate(c, static_cast<double>(i) / kScan).p;

  double largest = 0.0;
  for (int k = first; k <= last; ++k) {
    const Point p = At(points[static_cast<std::size_t>(k)]);
    int closest = 0;
    double closestSquared = INFINITY;
    for (int i = 0; i <= kScan; ++i) {
      const double d = SquaredDistance(scan[i], p);
      if (d < closestSquared) {
        closestSquared = d;
        closest = i;
      }
    }
    const double refined = NearestFrom(c, p, static_cast<double>(closest) / kScan);
    largest = std::max(largest, std::min(refined, std::sqrt(closestSquared)));
  }
  return largest;
}

}  // namespace qu
