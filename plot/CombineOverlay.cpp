#include "plot/CombineOverlay.h"

namespace qu::plot {

CombineOverlayResult BuildCombineOverlay(std::span<const BezierVertex> vertices, int first,
                                         int count) {
  CombineOverlayResult out;
  // Checked as first and count, so that a run whose end lies beyond int is refused with the
  // start and count asked for; a run that passes ends inside the table.
  out.combine = CheckCombineRun(vertices, first, count);
  if (!out.combine.combined()) return out;
  const int last = first + count - 1;

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
