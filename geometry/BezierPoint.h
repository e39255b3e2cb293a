#pragma once

#include "trackio/Vector3.h"

namespace qu {

// The point at parameter t on the cubic Bezier curve P0 = startPoint, P1 = startControl,
// P2 = endControl, P3 = endPoint. Note the argument order: the end point comes before the
// end control point. t is not clamped.
//
// Each coordinate is formed in double precision in this exact order, products left to
// right, the powers by std::pow:
//   u = 1 - t;  a = u² · 3 · t · P1;  b = u³ · P0 + a;  d = t² · 3 · u · P2 + b;
//   coordinate = t³ · P3 + d, rounded to single precision.
Vector3 BezierPoint(const Vector3& startPoint, const Vector3& startControl, const Vector3& endPoint,
                    const Vector3& endControl, float t);

// The powers of t and 1 − t that BezierPoint uses. Sampling many segments at the same few
// parameters computes them once per parameter; the results are the same bit for bit.
struct BezierWeights {
  double t, u, u2, u3, t2, t3;
};
BezierWeights BezierWeightsAt(float t);
Vector3 BezierPoint(const Vector3& startPoint, const Vector3& startControl, const Vector3& endPoint,
                    const Vector3& endControl, const BezierWeights& w);

}  // namespace qu
