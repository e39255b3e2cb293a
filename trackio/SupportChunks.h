#pragma once

#include <cstdint>
#include <vector>

#include "TrackBuffer.h"
#include "Vector3.h"

namespace qu {

// SUPP: a container for FUND, RASC, FREN, TUBE and CATW, with no values of its own.
struct SuppChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
};

// One FUND entry. The point is declared first but stored after the flags and values.
struct FundEntry {
  Vector3 Point;
  bool FlagA = false;
  float ValueA = 0.0f;
  bool FlagB = false;
  float ValueB = 0.0f;
};

struct FundChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::vector<FundEntry> Entries;
};

void ReadSUPP(TrackReader& in, SuppChunk& chunk);
void WriteSUPP(TrackWriter& out, const SuppChunk& chunk);
std::int64_t OwnBytes(const SuppChunk& chunk);

void ReadFUND(TrackReader& in, FundChunk& chunk);
void WriteFUND(TrackWriter& out, const FundChunk& chunk);
std::int64_t OwnBytes(const FundChunk& chunk);

}  // namespace qu
