#include "CombineOverlay.h"

#include <algorithm>
#include <limits>

namespace qu::plot {

CombineOverlayResult BuildCombineOverlay(std::span<const BezierVertex> vertices, int first,
                                         int count) {
  // The last segment, kept within int: a count that long is refused as too long anyway.
  const long long wantedLast = static_cast<long long>(first) + count - 1;
  const int last = static_cast<int>(
      std::clamp<long long>(wantedLast, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  CombineOverlayResult out;
  out.combine = CheckCombine(vertices, first, last);
  if (!out.combine.combined()) return out;

  // The run alone, vertices first … last + 1, combined as segments 0 … count − 1.
  VertexChunk run;
  const auto from = static_cast<std::size_t>(first);
  run.Vertices.assign(vertices.begin() + static_cast<std::ptrdiff_t>(from),
                      vertices.begin() + static_cast<std::ptrdiff_t>(last) + 2);
  out.combine = CombineSegments(run, 0, count - 1);
  if (!out.combine.combined()) return out;
  out.overlay = CombineOverlay{first, count, std::move(run.Vertices), out.combine.maxDeviation};
  return out;
}

}  // namespace qu::plot
