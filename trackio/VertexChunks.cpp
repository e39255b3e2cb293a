#include "VertexChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr std::int64_t kVertexBytes = 60;
constexpr std::int64_t kSegmentHeadBytes = 33;  // type, flags, colours, reserved

// The block length written for types 0 to 4; other types store no length field at all.
constexpr std::int32_t kBlockLength[] = {0, 126, 36, 28, 50};

bool HasBlockLength(std::int32_t type) {
  return type >= 0 && type <= 4;
}

Vector3 ReadVector(TrackReader& in) {
  Vector3 v;
  v.x = in.ReadSingle();
  v.y = in.ReadSingle();
  v.z = in.ReadSingle();
  return v;
}

void WriteVector(TrackWriter& out, const Vector3& v) {
  out.WriteSingle(v.x);
  out.WriteSingle(v.y);
  out.WriteSingle(v.z);
}

void ReadVertex(TrackReader& in, BezierVertex& v) {
  v.position = ReadVector(in);
  v.controlIn = ReadVector(in);
  v.controlOut = ReadVector(in);
  v.auxValue = in.ReadSingle();
  v.flag1 = in.ReadBool();
  v.flag2 = in.ReadBool();
  v.flag3 = in.ReadBool();
  in.Skip(17);
}

void WriteVertex(TrackWriter& out, const BezierVertex& v) {
  WriteVector(out, v.position);
  WriteVector(out, v.controlIn);
  WriteVector(out, v.controlOut);
  out.WriteSingle(v.auxValue);
  out.WriteByte(v.flag1);
  out.WriteByte(v.flag2);
  out.WriteByte(v.flag3);
  out.WriteZeros(17);
}

void ReadType1(TrackReader& in, SegmentType1Block& b) {
  b.S1 = in.ReadSingle();
  b.S2 = in.ReadSingle();
  b.S3 = in.ReadSingle();
  b.S4 = in.ReadSingle();
  b.B1 = in.ReadByte();
  b.B2 = in.ReadByte();
  b.F1 = in.ReadBool();
  b.B3 = in.ReadByte();
  b.S5 = in.ReadSingle();
  in.Skip(4);
  b.F2 = in.ReadBool();
  b.S6 = in.ReadSingle();
  in.Skip(4);
  b.S7 = in.ReadSingle();
  b.S8 = in.ReadSingle();
  in.Skip(4);
  b.F3 = in.ReadBool();
  b.S9 = in.ReadSingle();
  b.S10 = in.ReadSingle();
  b.S11 = in.ReadSingle();
  in.Skip(64);
}

void WriteType1(TrackWriter& out, const SegmentType1Block& b) {
  out.WriteSingle(b.S1);
  out.WriteSingle(b.S2);
  out.WriteSingle(b.S3);
  out.WriteSingle(b.S4);
  out.WriteByte(b.B1);
  out.WriteByte(b.B2);
  out.WriteByte(b.F1);
  out.WriteByte(b.B3);
  out.WriteSingle(b.S5);
  out.WriteZeros(4);
  out.WriteByte(b.F2);
  out.WriteSingle(b.S6);
  out.WriteZeros(4);
  out.WriteSingle(b.S7);
  out.WriteSingle(b.S8);
  out.WriteZeros(4);
  out.WriteByte(b.F3);
  out.WriteSingle(b.S9);
  out.WriteSingle(b.S10);
  out.WriteSingle(b.S11);
  out.WriteZeros(64);
}

void ReadType2(TrackReader& in, SegmentType2Block& b) {
  in.Skip(3);
  b.B1 = in.ReadByte();
  b.S1 = in.ReadSingle();
  b.S2 = in.ReadSingle();
  b.S3 = in.ReadSingle();
  in.Skip(4);
  b.F1 = in.ReadBool();
  b.F2 = in.ReadBool();
  in.Skip(14);
}

void WriteType2(TrackWriter& out, const SegmentType2Block& b) {
  out.WriteZeros(3);
  out.WriteByte(b.B1);
  out.WriteSingle(b.S1);
  out.WriteSingle(b.S2);
  out.WriteSingle(b.S3);
  out.WriteZeros(4);
  out.WriteByte(b.F1);
  out.WriteByte(b.F2);
  out.WriteZeros(14);
}

void ReadType3(TrackReader& in, SegmentType3Block& b) {
  b.S1 = in.ReadSingle();
  b.S2 = in.ReadSingle();
  b.S3 = in.ReadSingle();
  in.Skip(3);
  b.B1 = in.ReadByte();
  b.F1 = in.ReadBool();
  b.F2 = in.ReadBool();
  in.Skip(10);
}

void WriteType3(TrackWriter& out, const SegmentType3Block& b) {
  out.WriteSingle(b.S1);
  out.WriteSingle(b.S2);
  out.WriteSingle(b.S3);
  out.WriteZeros(3);
  out.WriteByte(b.B1);
  out.WriteByte(b.F1);
  out.WriteByte(b.F2);
  out.WriteZeros(10);
}

void ReadType4(TrackReader& in, SegmentType4Block& b) {
  b.S1 = in.ReadSingle();
  b.S2 = in.ReadSingle();
  b.S3 = in.ReadSingle();
  in.Skip(4);
  b.S4 = in.ReadSingle();
  b.F1 = in.ReadBool();
  b.F2 = in.ReadBool();
  b.S5 = in.ReadSingle();
  b.S6 = in.ReadSingle();
  b.S7 = in.ReadSingle();
  b.F3 = in.ReadBool();
  b.F4 = in.ReadBool();
  b.F5 = in.ReadBool();
  in.Skip(13);
}

void WriteType4(TrackWriter& out, const SegmentType4Block& b) {
  out.WriteSingle(b.S1);
  out.WriteSingle(b.S2);
  out.WriteSingle(b.S3);
  out.WriteZeros(4);
  out.WriteSingle(b.S4);
  out.WriteByte(b.F1);
  out.WriteByte(b.F2);
  out.WriteSingle(b.S5);
  out.WriteSingle(b.S6);
  out.WriteSingle(b.S7);
  out.WriteByte(b.F3);
  out.WriteByte(b.F4);
  out.WriteByte(b.F5);
  out.WriteZeros(13);
}

void ReadSegment(TrackReader& in, TrackSegment& s) {
  s.segmentType = in.ReadLong();
  s.segFlag1 = in.ReadBool();
  s.color1 = in.ReadColor();
  s.color2 = in.ReadColor();
  s.color3 = in.ReadColor();
  s.segFlag2 = in.ReadBool();
  in.Skip(15);
  // The stored block length is never trusted: the type alone fixes the block's extent.
  if (HasBlockLength(s.segmentType)) in.Skip(4);
  switch (s.segmentType) {
    case 1:
      ReadType1(in, s.type1);
      break;
    case 2:
      ReadType2(in, s.type2);
      break;
    case 3:
      ReadType3(in, s.type3);
      break;
    case 4:
      ReadType4(in, s.type4);
      break;
    default:
      break;
  }
}

void WriteSegment(TrackWriter& out, const TrackSegment& s) {
  out.WriteLong(s.segmentType);
  out.WriteByte(s.segFlag1);
  out.WriteColor(s.color1);
  out.WriteColor(s.color2);
  out.WriteColor(s.color3);
  out.WriteByte(s.segFlag2);
  out.WriteZeros(15);
  if (HasBlockLength(s.segmentType)) out.WriteLong(kBlockLength[s.segmentType]);
  switch (s.segmentType) {
    case 1:
      WriteType1(out, s.type1);
      break;
    case 2:
      WriteType2(out, s.type2);
      break;
    case 3:
      WriteType3(out, s.type3);
      break;
    case 4:
      WriteType4(out, s.type4);
      break;
    default:
      break;
  }
}

}  // namespace

std::int64_t SegmentRecordBytes(std::int32_t segmentType) {
  if (!HasBlockLength(segmentType)) return kSegmentHeadBytes;
  return kSegmentHeadBytes + 4 + kBlockLength[segmentType];
}

void ReadBEZR(TrackReader& in, VertexChunk& chunk) {
  ReadTableFrame(
      in, chunk, kVertexBytes,
      [&](std::size_t count) {
        ReadEntriesInto(in, chunk.Vertices, count, [&](BezierVertex& v) { ReadVertex(in, v); });
      },
      "vertex count");
}

void WriteBEZR(TrackWriter& out, const VertexChunk& chunk) {
  WriteTableFrame(out, "BEZR", chunk, chunk.Vertices.size(), [&] {
    for (const auto& vertex : chunk.Vertices) WriteVertex(out, vertex);
  });
}

std::int64_t OwnBytes(const VertexChunk& chunk) {
  return 40 + kVertexBytes * static_cast<std::int64_t>(chunk.Vertices.size());
}

void ReadSEGM(TrackReader& in, SegmentChunk& chunk) {
  chunk = SegmentChunk{};
  chunk.Size = in.ReadLong();
  const std::int32_t count = in.ReadCount(kSegmentHeadBytes, "segment count");
  chunk.SegmentsFlag = in.ReadBool();
  in.Skip(16);
  ReadEntriesInto(in, chunk.Segments, static_cast<std::size_t>(count),
                  [&](TrackSegment& s) { ReadSegment(in, s); });
  in.Skip(16);
  chunk.ChildCount = in.ReadLong();
}

void WriteSEGM(TrackWriter& out, const SegmentChunk& chunk) {
  out.WriteTag("SEGM");
  out.WriteLong(chunk.Size);
  out.WriteLong(static_cast<std::int32_t>(chunk.Segments.size()));
  out.WriteByte(chunk.SegmentsFlag);
  out.WriteZeros(16);
  for (const auto& segment : chunk.Segments) WriteSegment(out, segment);
  out.WriteZeros(16);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const SegmentChunk& chunk) {
  std::int64_t bytes = 41;
  for (const auto& segment : chunk.Segments) bytes += SegmentRecordBytes(segment.segmentType);
  return bytes;
}

}  // namespace qu
