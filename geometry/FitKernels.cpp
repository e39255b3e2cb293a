#include "geometry/FitKernels.h"

#include "geometry/FitColumns.h"
#include "geometry/VectorMath.h"

namespace qu {
namespace {

float Single(double value) {
  return static_cast<float>(value);
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

Params ChordParams(std::span<const Vector3> points, int first, int last) {
  SampleColumns columns;
  columns.Assign(points, first, last);
  Params u;
  columns.ChordParams(u);
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
  SampleColumns columns;
  columns.Assign(points, first, last);
  return columns.SolveInnerControls(u, startTangent, endTangent);
}

double MaxDeviation(std::span<const Vector3> points, int first, int last, const CubicSegment& s,
                    const Params& u) {
  SampleColumns columns;
  columns.Assign(points, first, last);
  return columns.MaxDeviation(s, u);
}

double NewtonParamStep(const CubicSegment& s, const Vector3& p, double t) {
  SampleColumns columns;
  columns.Assign(std::span(&p, 1), 0, 0);
  Params refined;
  columns.RefineParams(s, Params{t}, refined);
  return refined.front();
}

Params RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                    const CubicSegment& s) {
  Params refined;
  RefineParams(points, first, last, u, s, refined);
  return refined;
}

void RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                  const CubicSegment& s, Params& refined) {
  SampleColumns columns;
  columns.Assign(points, first, last);
  columns.RefineParams(s, u, refined);
}

}  // namespace qu
