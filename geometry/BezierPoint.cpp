#include "BezierPoint.h"

#include <cmath>

namespace qu {
namespace {

float BernsteinCoordinate(double p0, double p1, double p2, double p3, double t) {
  const double u = 1.0 - t;
  const double a = std::pow(u, 2.0) * 3.0 * t * p1;
  const double b = std::pow(u, 3.0) * p0 + a;
  const double d = std::pow(t, 2.0) * 3.0 * u * p2 + b;
  return static_cast<float>(std::pow(t, 3.0) * p3 + d);
}

}  // namespace

Vector3 BezierPoint(const Vector3& startPoint, const Vector3& startControl, const Vector3& endPoint,
                    const Vector3& endControl, float t) {
  const Vector3 result{
      BernsteinCoordinate(startPoint.x, startControl.x, endControl.x, endPoint.x, t),
      BernsteinCoordinate(startPoint.y, startControl.y, endControl.y, endPoint.y, t),
      BernsteinCoordinate(startPoint.z, startControl.z, endControl.z, endPoint.z, t)};
  return result;
}

}  // namespace qu
