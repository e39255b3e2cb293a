#pragma once

#include <cmath>

#include "trackio/Vector3.h"

namespace qu {

// Vector operations on single-precision vectors. Arithmetic runs in double precision and a
// vector result is rounded to single precision once per component, when it is stored.
// Defined here so that the fit's inner loops can inline them.

namespace detail {
inline float Single(double value) {
  return static_cast<float>(value);
}
}  // namespace detail

// sqrt(x² + y² + z²), the squares summed in the order x, y, z.
inline double VecLength(const Vector3& v) {
  const double x = v.x, y = v.y, z = v.z;
  return std::sqrt(x * x + y * y + z * z);
}

inline Vector3 VecAdd(const Vector3& a, const Vector3& b) {
  using detail::Single;
  return {Single(double{a.x} + b.x), Single(double{a.y} + b.y), Single(double{a.z} + b.z)};
}

inline Vector3 VecScale(const Vector3& v, double s) {
  using detail::Single;
  return {Single(v.x * s), Single(v.y * s), Single(v.z * s)};
}

// a minus b.
inline Vector3 VecSub(const Vector3& a, const Vector3& b) {
  using detail::Single;
  return {Single(double{a.x} - b.x), Single(double{a.y} - b.y), Single(double{a.z} - b.z)};
}

// Undefined for the zero vector.
inline Vector3 VecNormalize(const Vector3& v) {
  using detail::Single;
  const double length = VecLength(v);
  return {Single(v.x / length), Single(v.y / length), Single(v.z / length)};
}

// The products summed in the order y, x, z.
inline double VecDot(const Vector3& a, const Vector3& b) {
  return double{a.y} * b.y + double{a.x} * b.x + double{a.z} * b.z;
}

inline bool IsFinite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace qu
