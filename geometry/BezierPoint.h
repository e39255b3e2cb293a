#pragma once

#include "Vector3.h"

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

}  // namespace qu
