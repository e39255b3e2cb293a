#pragma once

#include <optional>
#include <span>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// A run of segments as a combine leaves it, for drawing over the track as it was.
struct CombineOverlay {
  int first = 0;  // the run: segments first … first + count − 1
  int count = 0;
  // Vertices first … first + count as the combine leaves them (count + 1 of them).
  std::vector<BezierVertex> after;
  double maxDeviation = 0.0;
};

struct CombineOverlayResult {
  CombineResult combine;                  // what the combine reported; refused: why
  std::optional<CombineOverlay> overlay;  // when it combined
};

// What COMBINE! would make of segments first … first + count − 1 of a track, with the same
// refusals and the same bits as CombineSegments on the whole table. The track is only read:
// the combine works on a copy of the run's vertices alone, so a track of any length costs
// memory for its run only.
CombineOverlayResult BuildCombineOverlay(std::span<const BezierVertex> vertices, int first,
                                         int count);

}  // namespace qu::plot
