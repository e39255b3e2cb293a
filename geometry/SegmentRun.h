#pragma once

#include <span>

#include "trackio/VertexChunks.h"

namespace qu {

// Segments first … first + count − 1 of a track: the run a combine refits, carried as one
// value from where it is chosen (a text box and a start field, or a command line's options)
// to the merge. Nothing about it is checked until the merge checks it against a track.
struct SegmentRun {
  int first = 0;
  int count = 0;
};

// The number of segments of a vertex table: one fewer than its vertices, none when it has
// none.
inline int SegmentCount(std::span<const BezierVertex> vertices) {
  return vertices.empty() ? 0 : static_cast<int>(vertices.size()) - 1;
}
inline int SegmentCount(const VertexChunk& chunk) {
  return SegmentCount(chunk.Vertices);
}

}  // namespace qu
