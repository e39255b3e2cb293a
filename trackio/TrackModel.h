#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "trackio/ChunkTraits.h"
#include "trackio/Vector3.h"
#include "trackio/VertexChunks.h"

namespace qu {

// The records of the chunks, one per chunk type, and the model that holds one of each. The
// vertex and segment records, which the geometry works on, are in VertexChunks.h; the byte
// layouts of all of them are in ChunkLayouts.h.

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

struct ScenEntry {
  Vector3 Point;
  float ValueA = 0.0f;
  std::int32_t Number = 0;
};

// SCEN: scenery placements; its one child is SCOB.
struct ScenChunk : ChunkHead {
  std::vector<ScenEntry> Entries;
};

// One SCOB entry: two texts (TextB is stored first) and a 3 x 4 matrix stored row by row,
// whose fourth column is Column4, followed by Extra.
struct ScobEntry {
  std::string TextA;
  std::string TextB;
  Vector3 Row1;
  Vector3 Row2;
  Vector3 Row3;
  Vector3 Column4;
  Vector3 Extra;
};

struct ScobChunk : ChunkHead {
  std::vector<ScobEntry> Entries;
};

// TERA: terrain. Only written when a TERA chunk was read by the last load.
struct TeraChunk : ChunkHead {
  bool TeraPresent = false;
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  float ValueA = 0.0f;
  float ValueB = 0.0f;
  std::string TextA;
  float ValueC = 0.0f;
  std::string TextB;
  float ValueD = 0.0f;
  std::string TextC;
  float ValueE = 0.0f;
  std::uint8_t ByteValue = 0;
  bool Flag = false;
  // Columns x Rows heights, row by row: the value at (column, row) is at row * Columns + column.
  std::vector<float> Grid;
};

// ENVC: the environment's two texts.
struct EnvcChunk : ChunkHead {
  std::string TextA;
  std::string TextB;
};

// Columns x Rows, or -1 when either is negative.
inline std::int64_t GridCellCount(const TeraChunk& chunk) {
  if (chunk.Columns < 0 || chunk.Rows < 0) return -1;
  return std::int64_t{chunk.Columns} * std::int64_t{chunk.Rows};
}

// The root chunk "QUEN", whose children are the top-level chunks. The version bytes are kept
// as read but always saved as 1, 3, 0, 0.
struct FileHeader : ChunkHead {
  std::array<std::uint8_t, 4> Version{};
};

// Everything a track file holds, one record per chunk type. A default-constructed model is
// the empty track.
struct TrackModel {
  FileHeader header;
  TrackChunk trck;
  InfoChunk info;
  VertexChunk bezr;
  SegmentChunk segm;
  SuppChunk supp;
  FundChunk fund;
  RascChunk rasc;
  FrenChunk fren;
  TubeChunk tube;
  CatwChunk catw;
  ScenChunk scen;
  ScobChunk scob;
  TeraChunk tera;
  EnvcChunk envc;
};

}  // namespace qu
