#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/CubicSegment.h"
#include "geometry/FitParams.h"
#include "trackio/Vector3.h"

namespace qu {

// The numerical steps of the least-squares fit, each a pure function of its arguments.
// A range first … last (both included) of the sample array has n = last − first + 1 samples;
// its parameter arrays hold one double per sample, index k for sample first + k.
//
// Tangent convention: the start tangent points from the first sample into the curve, the end
// tangent from the last sample back into the curve. Tangents are used unnormalised, so fitted
// distances along them are measured in tangent lengths.

// The cubic Bernstein basis, for any t.
inline double B0(double t) {
  const double mt = 1.0 - t;
  return mt * mt * mt;
}
inline double B1(double t) {
  const double mt = 1.0 - t;
  return 3.0 * t * mt * mt;
}
inline double B2(double t) {
  const double mt = 1.0 - t;
  return 3.0 * t * t * mt;
}
inline double B3(double t) {
  return t * t * t;
}

// B0·P0 + B1·P1 + B2·P2 + B3·P3 per component in double precision, rounded once.
Vector3 EvalCubic(const CubicSegment& s, double t);

// The Bezier curve of the given degree (at most 3) over points[0 … degree], by repeated
// interpolation with every intermediate point rounded to single precision.
inline Vector3 EvalDeCasteljau(int degree, std::span<const Vector3> points, double t) {
  Vector3 w[4];
  for (int i = 0; i <= degree; ++i) w[i] = points[static_cast<std::size_t>(i)];
  const double mt = 1.0 - t;
  for (int r = 1; r <= degree; ++r) {
    for (int j = 0; j <= degree - r; ++j) {
      w[j] = {static_cast<float>(w[j].x * mt + w[j + 1].x * t),
              static_cast<float>(w[j].y * mt + w[j + 1].y * t),
              static_cast<float>(w[j].z * mt + w[j + 1].z * t)};
    }
  }
  return w[0];
}

// Cumulative chord lengths scaled to 0 … 1. When the samples of a range of two or more all
// coincide, the parameters are spaced evenly instead, k / (n − 1).
Params ChordParams(std::span<const Vector3> points, int first, int last);

// The coefficients of the 2×2 system [c00 c01; c01 c11]·α = x by Cramer's rule. A singular
// system is solved with the substitute determinant c00·c11·1e-12; when that is 0 as well,
// both coefficients are 0.
struct Coefficients {
  double alphaL = 0.0;
  double alphaR = 0.0;
};
Coefficients SolveCoefficients(double c00, double c01, double c11, double x0, double x1);

// The least-squares inner control points for the given parameters, the end points fixed at the
// range's first and last sample and the control points on the tangent rays. Falls back to a
// third of the chord along each tangent when either coefficient is too small (start below
// 1e-8, end below 1e-9) or not a number.
CubicSegment SolveInnerControls(std::span<const Vector3> points, int first, int last,
                                const Params& u, const Vector3& startTangent,
                                const Vector3& endTangent);

// The largest distance between an interior sample and the curve point at its parameter.
// The end samples are not measured; a range of two samples gives 0.
double MaxDeviation(std::span<const Vector3> points, int first, int last, const CubicSegment& s,
                    const Params& u);

// One Newton step towards the parameter whose curve point is nearest to `p`. A zero
// denominator leaves t unchanged; the result is not clamped.
double NewtonParamStep(const CubicSegment& s, const Vector3& p, double t);

// One Newton step for every sample of the range, the end samples included.
Params RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                    const CubicSegment& s);
// The same into `refined`, reusing its memory across passes.
void RefineParams(std::span<const Vector3> points, int first, int last, const Params& u,
                  const CubicSegment& s, Params& refined);

}  // namespace qu
