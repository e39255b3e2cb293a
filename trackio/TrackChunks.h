#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "TrackBuffer.h"

namespace qu {

// One named entry of the TRCK chunk: a flag and four colours.
struct ColorSet {
  bool Flag = false;
  std::array<std::int32_t, 4> Colors{};
  std::string Name;
};

// TRCK: the parent of the track's own chunks. Its values are carried, never interpreted.
struct TrackChunk : ChunkHead {
  std::int32_t TrackValue1 = 0;
  std::vector<ColorSet> ColorSets;
  std::int32_t TrackValue2 = 0;
  std::array<std::int32_t, 8> TrackColors{};
};

// INFO: one text.
struct InfoChunk : ChunkHead {
  std::string InfoText;
};

QU_DECLARE_CHUNK(TRCK, TrackChunk);
QU_DECLARE_CHUNK(INFO, InfoChunk);

}  // namespace qu
