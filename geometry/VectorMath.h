#pragma once

#include "Vector3.h"

namespace qu {

// Vector operations on single-precision vectors. Arithmetic runs in double precision and a
// vector result is rounded to single precision once per component, when it is stored.

double VecLength(const Vector3& v);  // sqrt(x² + y² + z²), summed x, y, z
Vector3 VecAdd(const Vector3& a, const Vector3& b);
Vector3 VecScale(const Vector3& v, double s);
Vector3 VecSub(const Vector3& a, const Vector3& b);  // a minus b
Vector3 VecNormalize(const Vector3& v);              // undefined for the zero vector
double VecDot(const Vector3& a, const Vector3& b);   // products summed in the order y, x, z

bool IsFinite(const Vector3& v);

}  // namespace qu
