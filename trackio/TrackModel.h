#pragma once

#include <array>
#include <cstdint>

#include "SceneryChunks.h"
#include "SupportChunks.h"
#include "TrackChunks.h"
#include "VertexChunks.h"

namespace qu {

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
