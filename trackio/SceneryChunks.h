#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TrackBuffer.h"
#include "Vector3.h"

namespace qu {

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

QU_DECLARE_CHUNK(SCEN, ScenChunk);
QU_DECLARE_CHUNK(SCOB, ScobChunk);
QU_DECLARE_CHUNK(TERA, TeraChunk);
// Columns x Rows, or -1 when either is negative.
std::int64_t GridCellCount(const TeraChunk& chunk);

QU_DECLARE_CHUNK(ENVC, EnvcChunk);

}  // namespace qu
