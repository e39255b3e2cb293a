#include "geometry/FitColumns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "geometry/FitKernels.h"
#include "geometry/VectorMath.h"
#include "geometry/VectorPath.h"

// The loops below are written for GCC's vectoriser: one sample per iteration, independent
// iterations (QU_INDEPENDENT_ITERATIONS), the segment's constants passed by value as locals,
// branches written as selects.
// Each sample's operations are those of the scalar kernels, in the same order, with every
// value that the kernels store in single precision rounded to single precision here too.

namespace qu {
namespace {

std::size_t Index(int i) {
  return static_cast<std::size_t>(i);
}

// The value a single-precision variable holds after `value` is stored in it.
[[gnu::always_inline]] inline double Stored(double value) {
  return static_cast<double>(static_cast<float>(value));
}

struct Weights {
  double b0, b1, b2, b3;
};

[[gnu::always_inline]] inline Weights WeightsAt(double t) {
  return {B0(t), B1(t), B2(t), B3(t)};
}

// One coordinate of a cubic: its control points in curve order and those of its first and
// second derivative (single-precision values, held as doubles).
struct AxisCurve {
  double p0, p1, p2, p3;
  double q10, q11, q12;
  double q20, q21;
};
struct CurveCoords {
  AxisCurve x, y, z;
};

// The control points of the first and second derivative of a cubic, each stored in single
// precision.
struct Derivatives {
  std::array<Vector3, 3> q1;
  std::array<Vector3, 2> q2;
};

Derivatives DerivativesOf(const CubicSegment& s) {
  Derivatives d;
  d.q1 = {VecScale(VecSub(s.startControl, s.startPoint), 3.0),
          VecScale(VecSub(s.endControl, s.startControl), 3.0),
          VecScale(VecSub(s.endPoint, s.endControl), 3.0)};
  d.q2 = {VecScale(VecSub(d.q1[1], d.q1[0]), 2.0), VecScale(VecSub(d.q1[2], d.q1[1]), 2.0)};
  return d;
}

CurveCoords CoordsOf(const CubicSegment& s) {
  const Derivatives d = DerivativesOf(s);
  const auto axis = [&](float Vector3::*c) {
    return AxisCurve{s.startPoint.*c, s.startControl.*c, s.endControl.*c, s.endPoint.*c, d.q1[0].*c,
                     d.q1[1].*c,      d.q1[2].*c,        d.q2[0].*c,      d.q2[1].*c};
  };
  return {axis(&Vector3::x), axis(&Vector3::y), axis(&Vector3::z)};
}

// EvalCubic for one coordinate.
[[gnu::always_inline]] inline double CubicAt(const AxisCurve& c, const Weights& w) {
  return Stored(w.b0 * c.p0 + w.b1 * c.p1 + w.b2 * c.p2 + w.b3 * c.p3);
}

// EvalDeCasteljau of degree 2 over the first derivative's control points.
[[gnu::always_inline]] inline double FirstDerivativeAt(const AxisCurve& c, double t, double mt) {
  const double w0 = Stored(c.q10 * mt + c.q11 * t);
  const double w1 = Stored(c.q11 * mt + c.q12 * t);
  return Stored(w0 * mt + w1 * t);
}

// EvalDeCasteljau of degree 1 over the second derivative's control points.
[[gnu::always_inline]] inline double SecondDerivativeAt(const AxisCurve& c, double t, double mt) {
  return Stored(c.q20 * mt + c.q21 * t);
}

// NewtonParamStep for the sample (px, py, pz).
[[gnu::always_inline]] inline double NewtonStepAt(const CurveCoords& c, double px, double py,
                                                  double pz, double t) {
  const Weights w = WeightsAt(t);
  const double mt = 1.0 - t;
  const double qx = CubicAt(c.x, w), qy = CubicAt(c.y, w), qz = CubicAt(c.z, w);
  const double d1x = FirstDerivativeAt(c.x, t, mt), d1y = FirstDerivativeAt(c.y, t, mt),
               d1z = FirstDerivativeAt(c.z, t, mt);
  const double d2x = SecondDerivativeAt(c.x, t, mt), d2y = SecondDerivativeAt(c.y, t, mt),
               d2z = SecondDerivativeAt(c.z, t, mt);
  // The differences stay in double precision here, unrounded.
  const double dx = qx - px, dy = qy - py, dz = qz - pz;
  const double numerator = dx * d1x + dy * d1y + dz * d1z;
  const double denominator = d1x * d1x + d1y * d1y + d1z * d1z + (dx * d2x + dy * d2y + dz * d2z);
  // A zero denominator keeps t; both outcomes are formed and one is picked.
  const double stepped = t - numerator / denominator;
  return vector_path::SelectBits(denominator == 0.0, t, stepped);
}

// NewtonParamStep per sample, at the parameters `u` on the curve `c`.
[[gnu::always_inline]] inline void RefineLoop(CurveCoords c, const double* x, const double* y,
                                              const double* z, const double* u, double* refined,
                                              int count) {
  QU_INDEPENDENT_ITERATIONS
  for (int k = 0; k < count; ++k) refined[k] = NewtonStepAt(c, x[k], y[k], z[k], u[k]);
}

// The per-sample terms of the least-squares system and the deviations are formed blockwise,
// so that they stay in the first-level cache until they are summed or compared.
constexpr int kBlock = 256;

// VecScale(firstPoint, B0) + (VecScale(firstPoint, B1) + (VecScale(lastPoint, B2) +
// VecScale(lastPoint, B3))), every product and sum stored in single precision.
[[gnu::always_inline]] inline double OnChord(double first, double last, const Weights& w) {
  const double inner = Stored(Stored(last * w.b2) + Stored(last * w.b3));
  const double middle = Stored(Stored(first * w.b1) + inner);
  return Stored(Stored(first * w.b0) + middle);
}

// The per-sample terms of the least-squares system: into c00, c01, c11, x0 and x1.
[[gnu::always_inline]] inline void TermLoop(Vector3 startTangent, Vector3 endTangent,
                                            Vector3 firstPoint, Vector3 lastPoint, const double* x,
                                            const double* y, const double* z, const double* u,
                                            double* c00, double* c01, double* c11, double* x0,
                                            double* x1, int count) {
  const double t0x = startTangent.x, t0y = startTangent.y, t0z = startTangent.z;
  const double t1x = endTangent.x, t1y = endTangent.y, t1z = endTangent.z;
  const double fx = firstPoint.x, fy = firstPoint.y, fz = firstPoint.z;
  const double lx = lastPoint.x, ly = lastPoint.y, lz = lastPoint.z;
  QU_INDEPENDENT_ITERATIONS
  for (int k = 0; k < count; ++k) {
    const Weights w = WeightsAt(u[k]);
    // a0 = VecScale(startTangent, B1), a1 = VecScale(endTangent, B2).
    const double a0x = Stored(t0x * w.b1), a0y = Stored(t0y * w.b1), a0z = Stored(t0z * w.b1);
    const double a1x = Stored(t1x * w.b2), a1y = Stored(t1y * w.b2), a1z = Stored(t1z * w.b2);
    // d = VecSub(sample, onChord); the dot products sum y, x, z.
    const double dx = Stored(x[k] - OnChord(fx, lx, w));
    const double dy = Stored(y[k] - OnChord(fy, ly, w));
    const double dz = Stored(z[k] - OnChord(fz, lz, w));
    c00[k] = a0y * a0y + a0x * a0x + a0z * a0z;
    c01[k] = a0y * a1y + a0x * a1x + a0z * a1z;
    c11[k] = a1y * a1y + a1x * a1x + a1z * a1z;
    x0[k] = a0y * dy + a0x * dx + a0z * dz;
    x1[k] = a1y * dy + a1x * dx + a1z * dz;
  }
}

// The square of VecLength(VecSub(EvalCubic(s, u), sample)) per sample: the square root is
// taken once, of the largest square (see MaxDeviation).
[[gnu::always_inline]] inline void DeviationLoop(CurveCoords c, const double* x, const double* y,
                                                 const double* z, const double* u, double* squared,
                                                 int count) {
  QU_INDEPENDENT_ITERATIONS
  for (int k = 0; k < count; ++k) {
    const Weights w = WeightsAt(u[k]);
    const double ex = Stored(CubicAt(c.x, w) - x[k]);
    const double ey = Stored(CubicAt(c.y, w) - y[k]);
    const double ez = Stored(CubicAt(c.z, w) - z[k]);
    squared[k] = ex * ex + ey * ey + ez * ez;
  }
}

// VecLength(VecSub(sample k, sample k − 1)) per sample, into length[k] for k ≥ 1.
[[gnu::always_inline]] inline void ChordLoop(const double* x, const double* y, const double* z,
                                             double* length, int count) {
  QU_INDEPENDENT_ITERATIONS
  for (int k = 1; k < count; ++k) {
    const double dx = Stored(x[k] - x[k - 1]);
    const double dy = Stored(y[k] - y[k - 1]);
    const double dz = Stored(z[k] - z[k - 1]);
    length[k] = std::sqrt(dx * dx + dy * dy + dz * dz);
  }
}

}  // namespace

void SampleColumns::Assign(std::span<const Vector3> points, int first, int last) {
  const int n = std::max(last - first + 1, 0);
  x_.resize(Index(n));
  y_.resize(Index(n));
  z_.resize(Index(n));
  for (int k = 0; k < n; ++k) {
    const Vector3& p = points[Index(first + k)];
    x_[Index(k)] = p.x;
    y_[Index(k)] = p.y;
    z_[Index(k)] = p.z;
  }
  if (n > 0) {
    firstPoint_ = points[Index(first)];
    lastPoint_ = points[Index(last)];
  }
}

void SampleColumns::ChordParams(Params& u) const {
  const int n = size();
  u.assign(Index(n), 0.0);
  vector_path::Run<ChordLoop>(x(), y(), z(), u.data(), n);
  // The running sum stays in sample order.
  for (int k = 1; k < n; ++k) u[Index(k)] = u[Index(k - 1)] + u[Index(k)];
  const double total = n > 1 ? u[Index(n - 1)] : 0.0;
  if (total == 0.0) {
    // Coincident samples have no chord to measure along; spacing them evenly keeps every
    // parameter finite, with the first at 0 and the last at 1.
    for (int k = 1; k < n; ++k) u[Index(k)] = static_cast<double>(k) / (n - 1);
  } else {
    for (int k = 1; k < n; ++k) u[Index(k)] = u[Index(k)] / total;
  }
}

CubicSegment SampleColumns::SolveInnerControls(const Params& u, const Vector3& startTangent,
                                               const Vector3& endTangent) {
  const int n = size();
  double c00 = 0, c01 = 0, c11 = 0, x0 = 0, x1 = 0;  // the matrix is symmetric: c10 = c01
  const auto sum = [&](const double* t00, const double* t01, const double* t11, const double* t0,
                       const double* t1, int count) {
    for (int k = 0; k < count; ++k) {
      c00 += t00[k];
      c01 += t01[k];
      c11 += t11[k];
      x0 += t0[k];
      x1 += t1[k];
    }
  };
  // Block by block, each block's terms summed in sample order while they are in the
  // first-level cache.
  double t00[kBlock], t01[kBlock], t11[kBlock], t0[kBlock], t1[kBlock];
  for (int begin = 0; begin < n; begin += kBlock) {
    const int count = std::min(kBlock, n - begin);
    vector_path::Run<TermLoop>(startTangent, endTangent, firstPoint_, lastPoint_, x() + begin,
                               y() + begin, z() + begin, u.data() + begin, t00, t01, t11, t0, t1,
                               count);
    sum(t00, t01, t11, t0, t1, count);
  }
  const auto [alphaL, alphaR] = SolveCoefficients(c00, c01, c11, x0, x1);

  CubicSegment s;
  s.startPoint = firstPoint_;
  s.endPoint = lastPoint_;
  // Written so that a coefficient that is not a number fails the test too.
  const bool usable = alphaL >= 1e-8 && alphaR >= 1e-9;
  const double startDistance = usable ? alphaL : VecLength(VecSub(lastPoint_, firstPoint_)) / 3.0;
  const double endDistance = usable ? alphaR : startDistance;
  s.startControl = VecAdd(s.startPoint, VecScale(startTangent, startDistance));
  s.endControl = VecAdd(s.endPoint, VecScale(endTangent, endDistance));
  return s;
}

double SampleColumns::MaxDeviation(const CubicSegment& s, const Params& u) const {
  // The end samples are not measured: samples 1 … n − 2, chunk by chunk.
  const int interior = size() - 2;
  if (interior <= 0) return 0.0;
  const CurveCoords curve = CoordsOf(s);
  double squared[kBlock];
  double largest = 0.0;
  for (int begin = 1; begin <= interior; begin += kBlock) {
    const int count = std::min(kBlock, interior + 1 - begin);
    vector_path::Run<DeviationLoop>(curve, x() + begin, y() + begin, z() + begin, u.data() + begin,
                                    squared, count);
    const double block = vector_path::LargestOf(squared, count);
    largest = block > largest ? block : largest;
  }
  // A correctly rounded square root never decreases as its argument grows, so the root of
  // the largest square is exactly the largest of the roots.
  return std::sqrt(largest);
}

void SampleColumns::RefineParams(const CubicSegment& s, const Params& u, Params& refined) const {
  // The derivative curves depend on the segment alone, so they are formed once per pass.
  const CurveCoords curve = CoordsOf(s);
  const int n = size();
  refined.resize(u.size());
  vector_path::Run<RefineLoop>(curve, x(), y(), z(), u.data(), refined.data(), n);
}

}  // namespace qu
