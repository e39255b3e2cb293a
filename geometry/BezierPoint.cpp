#include "geometry/BezierPoint.h"

#include <cmath>

namespace qu {
namespace {

float BernsteinCoordinate(double p0, double p1, double p2, double p3, const BezierWeights& w) {
  const double a = w.u2 * 3.0 * w.t * p1;
  const double b = w.u3 * p0 + a;
  const double d = w.t2 * 3.0 * w.u * p2 + b;
  return static_cast<float>(w.t3 * p3 + d);
}

}  // namespace

BezierWeights BezierWeightsAt(float t) {
  const double u = 1.0 - double{t};
  return {
      t, u, std::pow(u, 2.0), std::pow(u, 3.0), std::pow(double{t}, 2.0), std::pow(double{t}, 3.0)};
}

Vector3 BezierPoint(const Vector3& startPoint, const Vector3& startControl, const Vector3& endPoint,
                    const Vector3& endControl, const BezierWeights& w) {
  // All three coordinates are formed before the result is stored.
  const Vector3 result{
      BernsteinCoordinate(startPoint.x, startControl.x, endControl.x, endPoint.x, w),
      BernsteinCoordinate(startPoint.y, startControl.y, endControl.y, endPoint.y, w),
      BernsteinCoordinate(startPoint.z, startControl.z, endControl.z, endPoint.z, w)};
  return result;
}

Vector3 BezierPoint(const Vector3& startPoint, const Vector3& startControl, const Vector3& endPoint,
                    const Vector3& endControl, float t) {
  return BezierPoint(startPoint, startControl, endPoint, endControl, BezierWeightsAt(t));
}

}  // namespace qu
