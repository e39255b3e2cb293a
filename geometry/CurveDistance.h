#pragma once

#include <span>

#include "CubicSegment.h"
#include "FitKernels.h"

namespace qu {

// The largest distance between the samples first … last and the nearest point of the cubic
// on its span 0 … 1. Each sample's nearest point is found by a scan of the curve at 33
// parameters, refined by clamped Newton steps. This is a measurement for people, in double
// precision; the fit itself never uses it.
double MaxDistanceToCurve(std::span<const Vector3> points, int first, int last,
                          const CubicSegment& s);

}  // namespace qu
