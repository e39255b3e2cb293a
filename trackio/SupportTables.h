#pragma once

#include <cstdint>
#include <vector>

#include "TrackBuffer.h"
#include "Vector3.h"

namespace qu {

struct RascItem {
  std::int32_t IntValue = 0;
  float FloatValue = 0.0f;
};

// A RASC entry keeps its stored item count even when it is zero or negative (then no items).
struct RascEntry {
  std::int32_t ItemCount = 0;
  std::vector<RascItem> Items;
};

struct RascChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::vector<RascEntry> Entries;
};

struct FrenChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::vector<Vector3> Points;
};

// A TUBE entry. Within the A and B groups the second and third values are stored swapped.
struct TubeEntry {
  std::int32_t A1 = 0, A2 = 0, A3 = 0;
  std::int32_t B1 = 0, B2 = 0, B3 = 0;
  std::int32_t C1 = 0, C2 = 0;
  float C3 = 0.0f;
};

struct TubeChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::vector<TubeEntry> Entries;
};

// A CATW entry is followed in the file by an opaque block of ExtraLength bytes, which is
// not kept: it is written back as zeros of the same length.
struct CatwEntry {
  std::int32_t ValueA = 0, ValueB = 0, ValueC = 0, ValueD = 0, ValueE = 0, ValueF = 0;
  std::int32_t ExtraLength = 0;
};

struct CatwChunk {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
  std::vector<CatwEntry> Entries;
};

// The item count written for an entry: its items when it has any, else the stored count
// when that is zero or negative.
constexpr std::int32_t StoredItemCount(const RascEntry& entry) {
  if (!entry.Items.empty()) return static_cast<std::int32_t>(entry.Items.size());
  return entry.ItemCount < 0 ? entry.ItemCount : 0;
}

void ReadRASC(TrackReader& in, RascChunk& chunk);
void WriteRASC(TrackWriter& out, const RascChunk& chunk);
std::int64_t OwnBytes(const RascChunk& chunk);

void ReadFREN(TrackReader& in, FrenChunk& chunk);
void WriteFREN(TrackWriter& out, const FrenChunk& chunk);
std::int64_t OwnBytes(const FrenChunk& chunk);

void ReadTUBE(TrackReader& in, TubeChunk& chunk);
void WriteTUBE(TrackWriter& out, const TubeChunk& chunk);
std::int64_t OwnBytes(const TubeChunk& chunk);

void ReadCATW(TrackReader& in, CatwChunk& chunk);
void WriteCATW(TrackWriter& out, const CatwChunk& chunk);
std::int64_t OwnBytes(const CatwChunk& chunk);

}  // namespace qu
