// The byte layouts of the vertex and segment chunks, bound to their records and tags.
#pragma once

#include "trackio/TableFrame.h"
#include "trackio/VertexChunks.h"

namespace qu {
namespace vertex_layouts {

// The block length stored for types 0 to 4; other types store no length field at all.
inline constexpr std::int32_t kBlockLength[] = {0, 126, 36, 28, 50};

constexpr bool HasBlockLength(std::int32_t type) {
  return type >= 0 && type <= 4;
}

// 60 bytes; flag3 is stored after flag2.
inline constexpr auto kVertexLayout = []<class IO>(IO& io, RecordOf<IO, BezierVertex>& v) {
  VectorFields(io, v.position);
  VectorFields(io, v.controlIn);
  VectorFields(io, v.controlOut);
  io.Single(v.auxValue);
  io.Bool(v.flag1);
  io.Bool(v.flag2);
  io.Bool(v.flag3);
  io.Reserved(17);
};

inline constexpr auto kType1Fields = []<class IO>(IO& io, RecordOf<IO, SegmentType1Block>& b) {
  io.Single(b.S1);
  io.Single(b.S2);
  io.Single(b.S3);
  io.Single(b.S4);
  io.Byte(b.B1);
  io.Byte(b.B2);
  io.Bool(b.F1);
  io.Byte(b.B3);
  io.Single(b.S5);
  io.Reserved(4);
  io.Bool(b.F2);
  io.Single(b.S6);
  io.Reserved(4);
  io.Single(b.S7);
  io.Single(b.S8);
  io.Reserved(4);
  io.Bool(b.F3);
  io.Single(b.S9);
  io.Single(b.S10);
  io.Single(b.S11);
  io.Reserved(64);
};

inline constexpr auto kType2Fields = []<class IO>(IO& io, RecordOf<IO, SegmentType2Block>& b) {
  io.Reserved(3);
  io.Byte(b.B1);
  io.Single(b.S1);
  io.Single(b.S2);
  io.Single(b.S3);
  io.Reserved(4);
  io.Bool(b.F1);
  io.Bool(b.F2);
  io.Reserved(14);
};

// The type 2 values in another order.
inline constexpr auto kType3Fields = []<class IO>(IO& io, RecordOf<IO, SegmentType3Block>& b) {
  io.Single(b.S1);
  io.Single(b.S2);
  io.Single(b.S3);
  io.Reserved(3);
  io.Byte(b.B1);
  io.Bool(b.F1);
  io.Bool(b.F2);
  io.Reserved(10);
};

inline constexpr auto kType4Fields = []<class IO>(IO& io, RecordOf<IO, SegmentType4Block>& b) {
  io.Single(b.S1);
  io.Single(b.S2);
  io.Single(b.S3);
  io.Reserved(4);
  io.Single(b.S4);
  io.Bool(b.F1);
  io.Bool(b.F2);
  io.Single(b.S5);
  io.Single(b.S6);
  io.Single(b.S7);
  io.Bool(b.F3);
  io.Bool(b.F4);
  io.Bool(b.F5);
  io.Reserved(13);
};

// A head, then for types 0 to 4 a block length, then the type's value block (none for 0).
inline constexpr auto kSegmentLayout = []<class IO>(IO& io, RecordOf<IO, TrackSegment>& s) {
  io.Long(s.segmentType);
  io.Bool(s.segFlag1);
  io.Color(s.color1);
  io.Color(s.color2);
  io.Color(s.color3);
  io.Bool(s.segFlag2);
  io.Reserved(15);
  if (HasBlockLength(s.segmentType)) {
    // The stored length is never trusted: the type alone fixes the block's extent, and
    // writing stores the type's own length.
    if constexpr (IO::kReads) {
      io.Reserved(4);
    } else {
      io.Long(kBlockLength[s.segmentType]);
    }
  }
  switch (s.segmentType) {
    case 1:
      kType1Fields(io, s.type1);
      break;
    case 2:
      kType2Fields(io, s.type2);
      break;
    case 3:
      kType3Fields(io, s.type3);
      break;
    case 4:
      kType4Fields(io, s.type4);
      break;
    default:
      break;
  }
};

}  // namespace vertex_layouts

// Bytes a segment record of the given type occupies in the file.
constexpr std::int64_t SegmentRecordBytes(std::int32_t segmentType) {
  TrackSegment segment;
  segment.segmentType = segmentType;
  return BytesOf(segment, vertex_layouts::kSegmentLayout);
}

template <>
struct ChunkTraits<VertexChunk> {
  static constexpr std::string_view kTag = "BEZR";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, VertexChunk>& chunk) {
    TableFrame(io, chunk, chunk.Vertices, vertex_layouts::kVertexLayout, "vertex count");
  };
};

// Unlike the other tables, a segment's size depends on its type, so each is read on its own.
template <>
struct ChunkTraits<SegmentChunk> {
  static constexpr std::string_view kTag = "SEGM";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, SegmentChunk>& chunk) {
    // Checked against the smallest record, that of a type without a block.
    constexpr std::int64_t kSmallestRecord = SegmentRecordBytes(-1);
    io.Long(chunk.Size);
    const std::int32_t count = io.Count(chunk.Segments, kSmallestRecord, "segment count");
    io.Bool(chunk.SegmentsFlag);
    io.Reserved(16);
    io.Entries(chunk.Segments, count, vertex_layouts::kSegmentLayout);
    io.Reserved(16);
    io.Long(chunk.ChildCount);
  };
};

// Compiled in VertexChunkLayouts.cpp.
extern template struct ChunkEntryPoints<VertexChunk>;
extern template struct ChunkEntryPoints<SegmentChunk>;

}  // namespace qu
