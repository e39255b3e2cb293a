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
struct TrackChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::int32_t TrackValue1 = 0;
  std::vector<ColorSet> ColorSets;
  std::int32_t TrackValue2 = 0;
  std::array<std::int32_t, 8> TrackColors{};
};

// INFO: one text.
struct InfoChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::string InfoText;
};

void ReadTRCK(TrackReader& in, TrackChunk& chunk);
void WriteTRCK(TrackWriter& out, const TrackChunk& chunk);
// Bytes after the size field, children excluded.
std::int64_t OwnBytes(const TrackChunk& chunk);

void ReadINFO(TrackReader& in, InfoChunk& chunk);
void WriteINFO(TrackWriter& out, const InfoChunk& chunk);
std::int64_t OwnBytes(const InfoChunk& chunk);

}  // namespace qu
