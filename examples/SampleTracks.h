#pragma once

#include <cstdint>
#include <vector>

#include "trackio/TrackModel.h"
#include "trackio/Vector3.h"

namespace qu::samples {

// Vertices through `points` with smooth handles: each vertex's handles lie along the
// direction between its neighbours, a third of the way to them.
std::vector<BezierVertex> SmoothVertices(const std::vector<Vector3>& points);

// A small plausible track: a station, a lift hill, a drop and a turn back, with every chunk
// type populated (terrain included) with sensible values.
TrackModel MakeSampleTrack();

// Sizes of a large synthetic track for benchmarks.
struct SyntheticSizes {
  std::int32_t vertices = 200000;
  std::int32_t segments = 50000;
  std::int32_t gridColumns = 2048;
  std::int32_t gridRows = 2048;
  std::int32_t sceneryEntries = 50000;
};

// A large track with every chunk populated, for measuring load and save.
TrackModel MakeSyntheticTrack(const SyntheticSizes& sizes);

// A smooth winding path of `vertexCount` vertices, for measuring the merge.
std::vector<BezierVertex> MakeSmoothPath(std::int32_t vertexCount);

}  // namespace qu::samples
