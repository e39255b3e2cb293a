#pragma once

#include <cstdint>
#include <vector>

#include "trackio/Vector3.h"

namespace qu {

// One cubic Bezier curve. The end point is stored before the end control point:
// P0 = startPoint, P1 = startControl, P2 = endControl, P3 = endPoint.
struct CubicSegment {
  Vector3 startPoint;
  Vector3 startControl;
  Vector3 endPoint;
  Vector3 endControl;
};

// The segments of one fit, in curve order from the first sample to the last.
struct SegmentList {
  std::int16_t count = 0;
  std::vector<CubicSegment> curves;
};

}  // namespace qu
