#include "geometry/CurveDistance.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "geometry/VectorPath.h"

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

constexpr int kScanPoints = 33;

// The curve at 33 evenly spaced parameters, and the search that starts from the nearest of
// them.
class ScanSearch {
 public:
  explicit ScanSearch(const CubicSegment& s)
      : c_{At(s.startPoint), At(s.startControl), At(s.endControl), At(s.endPoint)} {
    for (int i = 0; i <= kScan; ++i) scan_[i] = Evaluate(c_, static_cast<double>(i) / kScan).p;
  }

  double DistanceFrom(const Point& p) const {
    int closest = 0;
    double closestSquared = INFINITY;
    for (int i = 0; i <= kScan; ++i) {
      const double d = SquaredDistance(scan_[i], p);
      if (d < closestSquared) {
        closestSquared = d;
        closest = i;
      }
    }
    const double refined = NearestFrom(c_, p, static_cast<double>(closest) / kScan);
    return std::min(refined, std::sqrt(closestSquared));
  }

  const Point* points() const { return scan_; }

 private:
  static constexpr int kScan = kScanPoints - 1;
  Point c_[4];
  Point scan_[kScan + 1];
};

// One coordinate of the cubic in powers of t: a + t·(b + t·(c + t·d)), with the factors of
// its derivatives.
struct AxisPolynomial {
  double a, b, c, d, c2, d3, d6;
};
struct Polynomial {
  AxisPolynomial x, y, z;
};

AxisPolynomial AxisPolynomialOf(double p0, double p1, double p2, double p3) {
  const double c = 3.0 * (p0 - 2.0 * p1 + p2);
  const double d = p3 - p0 + 3.0 * (p1 - p2);
  return {p0, 3.0 * (p1 - p0), c, d, 2.0 * c, 3.0 * d, 6.0 * d};
}

Polynomial PolynomialOf(const CubicSegment& s) {
  const auto axis = [&](float Vector3::*c) {
    return AxisPolynomialOf(s.startPoint.*c, s.startControl.*c, s.endControl.*c, s.endPoint.*c);
  };
  return {axis(&Vector3::x), axis(&Vector3::y), axis(&Vector3::z)};
}

struct AxisAt {
  double offset, d1, d2;  // curve minus sample, first and second derivative
};

[[gnu::always_inline]] inline AxisAt EvaluateAxis(const AxisPolynomial& q, double t, double p) {
  return {q.a + t * (q.b + t * (q.c + t * q.d)) - p, q.b + t * (q.c2 + t * q.d3), q.c2 + t * q.d6};
}

// The steps from a start that is already close: quadratic convergence leaves a step below
// kSettled after a few, and a sample whose last step is larger is scanned as well.
constexpr int kLocalSteps = 4;
constexpr double kSettled = 1e-9;

// t clamped to 0 … 1. The choices are made by bits: as conditionals GCC specialises the
// following arithmetic for t = 0 and t = 1 on branches of their own, which the vectoriser
// cannot merge because that arithmetic may raise a floating-point exception.
[[gnu::always_inline]] inline double ClampToSpan(double t) {
  t = vector_path::SelectBits(std::isless(t, 0.0), 0.0, t);
  return vector_path::SelectBits(std::isgreater(t, 1.0), 1.0, t);
}

// One clamped Newton step from t towards the parameter nearest to (px, py, pz); `moved` is
// its length, infinite where the curve bends away (the denominator is not positive) and t
// stays.
[[gnu::always_inline]] inline double LocalStep(const Polynomial& c, double px, double py, double pz,
                                               double t, double& moved) {
  const AxisAt ax = EvaluateAxis(c.x, t, px);
  const AxisAt ay = EvaluateAxis(c.y, t, py);
  const AxisAt az = EvaluateAxis(c.z, t, pz);
  const double num = ax.offset * ax.d1 + ay.offset * ay.d1 + az.offset * az.d1;
  const double den = ax.d1 * ax.d1 + ay.d1 * ay.d1 + az.d1 * az.d1 +
                     (ax.offset * ax.d2 + ay.offset * ay.d2 + az.offset * az.d2);
  double next = t - num / den;
  next = ClampToSpan(next);
  const bool bends = !std::isgreater(den, 0.0);
  moved = vector_path::SelectBits(bends, INFINITY, std::fabs(next - t));
  return vector_path::SelectBits(bends, t, next);
}

// kLocalSteps steps per sample from the parameter in `start`, written out so that the loop
// over samples has no inner loop: the distance reached, the length of the last step and the
// parameter reached (`end`).
static_assert(kLocalSteps == 4);
[[gnu::always_inline]] inline void LocalLoop(Polynomial c, const double* x, const double* y,
                                             const double* z, const double* start, double* distance,
                                             double* lastStep, double* end, int count) {
  QU_INDEPENDENT_ITERATIONS
  for (int k = 0; k < count; ++k) {
    double t = ClampToSpan(vector_path::SelectBits(std::isnan(start[k]), 0.5, start[k]));
    double moved = 0.0;
    t = LocalStep(c, x[k], y[k], z[k], t, moved);
    t = LocalStep(c, x[k], y[k], z[k], t, moved);
    t = LocalStep(c, x[k], y[k], z[k], t, moved);
    t = LocalStep(c, x[k], y[k], z[k], t, moved);
    const double ex = EvaluateAxis(c.x, t, x[k]).offset;
    const double ey = EvaluateAxis(c.y, t, y[k]).offset;
    const double ez = EvaluateAxis(c.z, t, z[k]).offset;
    distance[k] = std::sqrt(ex * ex + ey * ey + ez * ez);
    lastStep[k] = moved;
    end[k] = t;
  }
}

// The nearest of the kScanPoints points of `scan` to each sample, the first of equals.
[[gnu::always_inline]] inline void ScanLoop(const Point* scan, const double* x, const double* y,
                                            const double* z, double* nearestSquared,
                                            double* nearestParam, int count) {
  QU_INDEPENDENT_ITERATIONS
  for (int k = 0; k < count; ++k) nearestSquared[k] = INFINITY;
  for (int i = 0; i < kScanPoints; ++i) {
    const Point a = scan[i];
    const double t = static_cast<double>(i) / (kScanPoints - 1);
    QU_INDEPENDENT_ITERATIONS
    for (int k = 0; k < count; ++k) {
      const double d =
          (a.x - x[k]) * (a.x - x[k]) + (a.y - y[k]) * (a.y - y[k]) + (a.z - z[k]) * (a.z - z[k]);
      const bool nearer = std::isless(d, nearestSquared[k]);
      nearestSquared[k] = vector_path::SelectBits(nearer, d, nearestSquared[k]);
      nearestParam[k] = vector_path::SelectBits(nearer, t, nearestParam[k]);
    }
  }
}

// Columns of the samples whose first Newton steps did not settle, and what the search
// from the nearest scan point finds for them.
struct Unsettled {
  std::vector<int> index;
  std::vector<double> x, y, z, nearestSquared, start, distance, lastStep, end;

  void Clear() {
    index.clear();
    x.clear();
    y.clear();
    z.clear();
  }

  void Add(const SampleColumns& samples, int k) {
    index.push_back(k);
    const auto i = static_cast<std::size_t>(k);
    x.push_back(samples.x()[i]);
    y.push_back(samples.y()[i]);
    z.push_back(samples.z()[i]);
  }

  // Scans, then runs two rounds of Newton steps from the nearest scan point (eight steps,
  // more than the six of ScanSearch).
  void Search(const Polynomial& curve, const Point* scan) {
    const int n = static_cast<int>(index.size());
    for (auto* column : {&nearestSquared, &start, &distance, &lastStep, &end}) {
      column->resize(index.size());
    }
    vector_path::Run<ScanLoop>(scan, x.data(), y.data(), z.data(), nearestSquared.data(),
                               start.data(), n);
    const auto steps = [&] {
      vector_path::Run<LocalLoop>(curve, x.data(), y.data(), z.data(), start.data(),
                                  distance.data(), lastStep.data(), end.data(), n);
    };
    steps();
    start.swap(end);
    steps();
  }
};

}  // namespace

double MaxDistanceToCurve(std::span<const Vector3> points, int first, int last,
                          const CubicSegment& s) {
  const ScanSearch search(s);
  double largest = 0.0;
  for (int k = first; k <= last; ++k) {
    largest = std::max(largest, search.DistanceFrom(At(points[static_cast<std::size_t>(k)])));
  }
  return largest;
}

double MaxDistanceToCurve(const SampleColumns& samples, const CubicSegment& s,
                          const Params& startParams) {
  const int n = samples.size();
  if (n == 0) return 0.0;
  const Polynomial curve = PolynomialOf(s);
  const ScanSearch search(s);
  // Kept by the thread for its next measurement, like the fit's own memory.
  thread_local std::vector<double> distance;
  distance.resize(static_cast<std::size_t>(n));
  // Blockwise, so that only the distances take memory the size of the run; each sample's
  // distance depends on that sample alone.
  constexpr int kBlock = 512;
  {
    double lastStep[kBlock], end[kBlock];
    Unsettled unsettled;
    for (int begin = 0; begin < n; begin += kBlock) {
      const int count = std::min(kBlock, n - begin);
      const auto at = static_cast<std::size_t>(begin);
      vector_path::Run<LocalLoop>(curve, samples.x() + at, samples.y() + at, samples.z() + at,
                                  startParams.data() + at, distance.data() + at, lastStep, end,
                                  count);
      // Where the steps did not settle, the search from the nearest scan point runs as well,
      // and the nearest of the points found counts.
      unsettled.Clear();
      for (int k = 0; k < count; ++k) {
        if (!(lastStep[k] <= kSettled)) unsettled.Add(samples, begin + k);
      }
      if (unsettled.index.empty()) continue;
      unsettled.Search(curve, search.points());
      for (std::size_t j = 0; j < unsettled.index.size(); ++j) {
        double& d = distance[static_cast<std::size_t>(unsettled.index[j])];
        d = std::min({std::sqrt(unsettled.nearestSquared[j]), unsettled.distance[j],
                      d < INFINITY ? d : INFINITY});
      }
    }
  }
  const auto scanned = [&](int k) {
    const auto i = static_cast<std::size_t>(k);
    const double local = distance[i];
    const double scan = search.DistanceFrom({samples.x()[i], samples.y()[i], samples.z()[i]});
    return local < scan ? local : scan;  // a local result that is not a number loses
  };

  // Every distance so far is that of a point of the curve, so at least the true one. The
  // farthest sample is scanned; when the scan finds it nearer, the next farthest is, until
  // the farthest is one whose distance the scan has confirmed.
  std::vector<int> confirmed;
  for (;;) {
    const double largest = vector_path::LargestOf(distance.data(), n);
    if (largest == 0.0) return 0.0;
    const int farthest =
        static_cast<int>(std::find(distance.begin(), distance.end(), largest) - distance.begin());
    if (std::find(confirmed.begin(), confirmed.end(), farthest) != confirmed.end()) return largest;
    confirmed.push_back(farthest);
    distance[static_cast<std::size_t>(farthest)] = scanned(farthest);
    if (distance[static_cast<std::size_t>(farthest)] == largest) return largest;
  }
}

}  // namespace qu
