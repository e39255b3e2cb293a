#pragma once

#include <cstdint>
#include <vector>

#include "TrackBuffer.h"
#include "Vector3.h"

namespace qu {

// SUPP: a container for FUND, RASC, FREN, TUBE and CATW, with no values of its own.
struct SuppChunk : ChunkHead {};

// One FUND entry. The point is declared first but stored after the flags and values.
struct FundEntry {
  Vector3 Point;
  bool FlagA = false;
  float ValueA = 0.0f;
  bool FlagB = false;
  float ValueB = 0.0f;
};

struct FundChunk : ChunkHead {
  std::vector<FundEntry> Entries;
};

struct RascItem {
  std::int32_t IntValue = 0;
  float FloatValue = 0.0f;
};

// A RASC entry keeps its stored item count even when it is zero or negative (then no items).
struct RascEntry {
  std::int32_t ItemCount = 0;
  std::vector<RascItem> Items;
};

struct RascChunk : ChunkHead {
  std::vector<RascEntry> Entries;
};

struct FrenChunk : ChunkHead {
  std::vector<Vector3> Points;
};

// A TUBE entry. Within the A and B groups the second and third values are stored swapped.
struct TubeEntry {
  std::int32_t A1 = 0, A2 = 0, A3 = 0;
  std::int32_t B1 = 0, B2 = 0, B3 = 0;
  std::int32_t C1 = 0, C2 = 0;
  float C3 = 0.0f;
};

struct TubeChunk : ChunkHead {
  std::vector<TubeEntry> Entries;
};

// A CATW entry is followed in the file by an opaque block of ExtraLength bytes, which is
// not kept: it is written back as zeros of the same length.
struct CatwEntry {
  std::int32_t ValueA = 0, ValueB = 0, ValueC = 0, ValueD = 0, ValueE = 0, ValueF = 0;
  std::int32_t ExtraLength = 0;
};

struct CatwChunk : ChunkHead {
  std::vector<CatwEntry> Entries;
};

QU_DECLARE_CHUNK(SUPP, SuppChunk);
QU_DECLARE_CHUNK(FUND, FundChunk);
QU_DECLARE_CHUNK(RASC, RascChunk);
QU_DECLARE_CHUNK(FREN, FrenChunk);
QU_DECLARE_CHUNK(TUBE, TubeChunk);
QU_DECLARE_CHUNK(CATW, CatwChunk);

}  // namespace qu
