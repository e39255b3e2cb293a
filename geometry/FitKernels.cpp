#include "FitKernels.h"

#include <array>
#include <cstddef>

#include "VectorMath.h"

namespace qu {
namespace {

std::size_t Index(int i) {
  return static_cast<std::size_t>(i);
}

float Single(double value) {
  return static_cast<float>(value);
}

// The control points of the first and second derivative of a cubic.
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

}  // namespace

Vector3 EvalCubic(const CubicSegment& s, double t) {
  const double b0 = B0(t), b1 = B1(t), b2 = B2(t), b3 = B3(t);
  auto component = [&](float p0, float p1, float p2, float p3) {
    return Single(b0 * p0 + b1 * p1 + b2 * p2 + b3 * p3);
  };
  return {component(s.startPoint.x, s.startControl.x, s.endControl.x, s.endPoint.x),
          component(s.startPoint.y, s.startControl.y, s.endControl.y, s.endPoint.y),
          component(s.startPoint.z, s.startControl.z, s.endControl.z, s.endPoint.z)};
}

namespace {

double NewtonStep(const CubicSegment& s, const Derivatives& derivatives, const Vector3& p,
                  double t) {
  const Vector3 q = EvalCubic(s, t);
  const Vector3 d1 = EvalDeCasteljau(2, derivatives.q1, t);
  const Vector3 d2 = EvalDeCasteljau(1, derivatives.q2, t);
  // The differences stay in double precision here, unrounded.
  const double dx = double{q.x} - p.x, dy = double{q.y} - p.y, dz = double{q.z} - p.z;
  const double numerator = dx * d1.x + dy * d1.y + dz * d1.z;
  const double denominator = double{d1.x} * d1.x + double{d1.y} * d1.y + double{d1.z} * d1.z +
                             (dx * d2.x + dy * d2.y + dz * d2.z);
  if (denominator == 0.0) return t;
  return t - numerator / denominator;
}

}  // namespace

Params ChordParams(std::span<const Vector3> points, int first, int last) {
  const int n = last - first + 1;
  Params u(Index(n), 0.0);
  for (int k = 1; k < n; ++k) {
    u[Index(k)] =
        u[Index(k - 1)] + VecLength(VecSub(points[Index(first + k)], points[Index(first + k - 1)]));
  }
  const double total = n > 1 ? u[Index(n - 1)] : 0.0;
  for (int k = 1; k < n; ++k) {
    // Coincident samples have no chord to measure along; spacing them evenly keeps every
    // parameter finite, with the first at 0 and the last at 1.
    u[Index(k)] = total == 0.0 ? static_cast<double>(k) / (n - 1) : u[Index(k)] / total;
  }
  return u;
}

Coefficients SolveCoefficients(double c00, double c01, double c11, double x0, double x1) {
  const double c10 = c01;
  double det = c00 * c11 - c10 * c01;
  const double detC0X = c00 * x1 - x0 * c01;
  const double detXC1 = x0 * c11 - x1 * c01;
  if (det == 0.0) det = c00 * c11 * 1e-12;
  if (det == 0.0) return {};
  return {detXC1 / det, detC0X / det};
}

CubicSegment SolveInnerControls(std::span<const Vector3> points, int first, int last,
                                const Params& u, const Vector3& startTangent,
                                const Vector3& endTangent) {
  const int n = last - first + 1;
  const Vector3& firstPoint = points[Index(first)];
  const Vector3& lastPoint = points[Index(last)];
  double c00 = 0, c01 = 0, c11 = 0, x0 = 0, x1 = 0;  // the matrix is symmetric: c10 = c01
  for (int k = 0; k < n; ++k) {
    const double t = u[Index(k)];
    const Vector3 a0 = VecScale(startTangent, B1(t));
    const Vector3 a1 = VecScale(endTangent, B2(t));
    c00 += VecDot(a0, a0);
    c01 += VecDot(a0, a1);
    c11 += VecDot(a1, a1);
    const Vector3 onChord =
        VecAdd(VecScale(firstPoint, B0(t)),
               VecAdd(VecScale(firstPoint, B1(t)),
                      VecAdd(VecScale(lastPoint, B2(t)), VecScale(lastPoint, B3(t)))));
    const Vector3 d = VecSub(points[Index(first + k)], onChord);
    x0 += VecDot(a0, d);
    x1 += VecDot(a1, d);
  }
  const auto [alphaL, alphaR] = SolveCoefficients(c00, c01, c11, x0, x1);

  CubicSegment s;
  s.startPoint = firstPoint;
  s.endPoint = lastPoint;
  // Written so that a coefficient that is not a number fails the test too.
  const bool usable = alphaL >= 1e-8 && alphaR >= 1e-9;
  const double startDistance = usable ? alphaL : VecLength(VecSub(lastPoint, firstPoint)) / 3.0;
  const double endDistance = usable ? alphaR : startDistance;
  s.startControl = VecAdd(s.startPoint, VecScale(startTangent, startDistance));
  s.endControl = VecAdd(s.endPoint, VecScale(endTangent, endDistance));
  return s;
}

double MaxDeviation(std::span<const Vector3> points, int first, int last, const CubicSegment& s,
                    const Params& u) {
  const int n = last - first + 1;
  double maxDistance = 0.0;
  for (int k = 1; k <= n - 2; ++k) {
    const double distance = VecLength(VecSub(EvalCubic(s, u[Index(k)]), points[Index(first + k)]));
    if (distance > maxDistance) maxDistance = distance;
  }
  return maxDistance;
}

double NewtonParamStep(const CubicSegment& s, const Vector3& p, double t) {
  return NewtonStep(s, DerivativesOf(s), p, t);
}

Params RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                    const CubicSegment& s) {
  Params refined;
  RefineParams(points, first, last, u, s, refined);
  return refined;
}

void RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                  const CubicSegment& s, Params& refined) {
  // The derivative curves depend on the segment alone, so they are formed once per pass.
  const Derivatives derivatives = DerivativesOf(s);
  refined.resize(u.size());
  for (int k = 0; k < last - first + 1; ++k) {
    refined[Index(k)] = NewtonStep(s, derivatives, points[Index(first + k)], u[Index(k)]);
  }
}

}  // namespace qu
