#pragma once

#include <span>

#include "geometry/CubicSegment.h"
#include "geometry/FitColumns.h"
#include "geometry/FitKernels.h"

namespace qu {

// The largest distance between the samples first … last and the nearest point of the cubic
// on its span 0 … 1. Each sample's nearest point is found by a scan of the curve at 33
// parameters, refined by clamped Newton steps. This is a measurement for people, in double
// precision; the fit itself never uses it.
double MaxDistanceToCurve(std::span<const Vector3> points, int first, int last,
                          const CubicSegment& s);

// The same largest distance for the samples of `samples`, found at a fraction of the cost:
// each sample's nearest point is first sought by clamped Newton steps from its parameter in
// `startParams` (clamped to 0 … 1), which for a fitted curve starts next to it. The scan and
// its Newton steps run only where those steps do not settle and for the sample that comes out
// farthest, keeping the nearer result, until the farthest sample is one that has been
// scanned: every other sample is then known to be no farther.
double MaxDistanceToCurve(const SampleColumns& samples, const CubicSegment& s,
                          const Params& startParams);

}  // namespace qu
