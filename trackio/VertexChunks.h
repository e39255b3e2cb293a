#pragma once

#include <cstdint>
#include <vector>

#include "trackio/ChunkTraits.h"
#include "trackio/Vector3.h"

namespace qu {

// One vertex of the track's Bezier path. Segment i runs from vertex i to vertex i + 1 with
// the control points position(i), controlOut(i), controlIn(i + 1), position(i + 1).
struct BezierVertex {
  Vector3 position;
  Vector3 controlIn;   // on the side of the previous vertex
  Vector3 controlOut;  // on the side of the next vertex
  float auxValue = 0.0f;
  bool flag1 = false;
  bool flag3 = false;  // stored after flag2 in the file
  bool flag2 = false;
};

// BEZR: the vertex table.
struct VertexChunk : ChunkHead {
  std::vector<BezierVertex> Vertices;
};

// The per-type value blocks of a segment record. Each type keeps its own fields, so the
// fields of one type never share storage with another's; they are numbered in file order.
struct SegmentType1Block {
  float S1 = 0, S2 = 0, S3 = 0, S4 = 0;
  bool F1 = false;
  float S5 = 0;
  std::uint8_t B1 = 0, B2 = 0, B3 = 0;
  bool F3 = false;
  float S9 = 0, S10 = 0, S11 = 0;
  bool F2 = false;
  float S6 = 0, S7 = 0, S8 = 0;
};

struct SegmentType2Block {
  float S1 = 0, S2 = 0, S3 = 0;
  std::uint8_t B1 = 0;
  bool F1 = false, F2 = false;
};

using SegmentType3Block = SegmentType2Block;  // the same values, in another file layout

struct SegmentType4Block {
  bool F1 = false, F5 = false;
  float S1 = 0, S2 = 0, S3 = 0;
  bool F2 = false;
  float S5 = 0, S6 = 0, S7 = 0, S4 = 0;
  bool F3 = false, F4 = false;
};

// One segment record: a type number selecting at most one value block.
struct TrackSegment {
  std::int32_t segmentType = 0;
  std::int32_t color1 = 0, color2 = 0, color3 = 0;
  bool segFlag1 = false, segFlag2 = false;
  SegmentType1Block type1;
  SegmentType2Block type2;
  SegmentType3Block type3;
  SegmentType4Block type4;
};

// SEGM: the segment records.
struct SegmentChunk : ChunkHead {
  bool SegmentsFlag = false;
  std::vector<TrackSegment> Segments;
};

}  // namespace qu
