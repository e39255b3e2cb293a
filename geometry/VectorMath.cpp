#include "VectorMath.h"

#include <cmath>

namespace qu {
namespace {

float Single(double value) {
  return static_cast<float>(value);
}

}  // namespace

double VecLength(const Vector3& v) {
  const double x = v.x, y = v.y, z = v.z;
  return std::sqrt(x * x + y * y + z * z);
}

Vector3 VecAdd(const Vector3& a, const Vector3& b) {
  return {Single(double{a.x} + b.x), Single(double{a.y} + b.y), Single(double{a.z} + b.z)};
}

Vector3 VecScale(const Vector3& v, double s) {
  return {Single(v.x * s), Single(v.y * s), Single(v.z * s)};
}

Vector3 VecSub(const Vector3& a, const Vector3& b) {
  return {Single(double{a.x} - b.x), Single(double{a.y} - b.y), Single(double{a.z} - b.z)};
}

Vector3 VecNormalize(const Vector3& v) {
  const double length = VecLength(v);
  return {Single(v.x / length), Single(v.y / length), Single(v.z / length)};
}

double VecDot(const Vector3& a, const Vector3& b) {
  return double{a.y} * b.y + double{a.x} * b.x + double{a.z} * b.z;
}

bool IsFinite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace qu
