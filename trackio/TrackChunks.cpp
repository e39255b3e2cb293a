#include "TrackChunks.h"

namespace qu {
namespace {

constexpr std::int64_t kColorSetFixedBytes = 28;  // flag, 7 reserved, name length, 4 colours

ColorSet ReadColorSet(TrackReader& in) {
  ColorSet set;
  set.Flag = in.ReadBool();
  in.Skip(7);
  set.Name = in.ReadLenientText();
  for (auto& color : set.Colors) color = in.ReadColor();
  return set;
}

void WriteColorSet(TrackWriter& out, const ColorSet& set) {
  out.WriteByte(set.Flag);
  out.WriteZeros(7);
  out.WriteLong(static_cast<std::int32_t>(set.Name.size()));
  out.WriteString(set.Name);
  for (auto color : set.Colors) out.WriteColor(color);
}

}  // namespace

void ReadTRCK(TrackReader& in, TrackChunk& chunk) {
  chunk = TrackChunk{};
  chunk.Size = in.ReadLong();
  chunk.TrackValue1 = in.ReadLong();
  const std::int32_t count = in.ReadCount(kColorSetFixedBytes, "entry count");
  chunk.TrackValue2 = in.ReadLong();
  chunk.ColorSets.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count && !in.failed(); ++i) {
    chunk.ColorSets.push_back(ReadColorSet(in));
  }
  for (auto& color : chunk.TrackColors) color = in.ReadColor();
  in.Skip(16);
  chunk.ChildCount = in.ReadLong();
}

void WriteTRCK(TrackWriter& out, const TrackChunk& chunk) {
  out.WriteTag("TRCK");
  out.WriteLong(chunk.Size);
  out.WriteLong(chunk.TrackValue1);
  out.WriteLong(static_cast<std::int32_t>(chunk.ColorSets.size()));
  out.WriteLong(chunk.TrackValue2);
  for (const auto& set : chunk.ColorSets) WriteColorSet(out, set);
  for (auto color : chunk.TrackColors) out.WriteColor(color);
  out.WriteZeros(16);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const TrackChunk& chunk) {
  std::int64_t bytes = 64;
  for (const auto& set : chunk.ColorSets) {
    bytes += kColorSetFixedBytes + static_cast<std::int64_t>(set.Name.size());
  }
  return bytes;
}

void ReadINFO(TrackReader& in, InfoChunk& chunk) {
  chunk = InfoChunk{};
  chunk.Size = in.ReadLong();
  in.Skip(16);
  chunk.InfoText = in.ReadLenientText();
  chunk.ChildCount = in.ReadLong();
}

void WriteINFO(TrackWriter& out, const InfoChunk& chunk) {
  out.WriteTag("INFO");
  out.WriteLong(chunk.Size);
  out.WriteZeros(16);
  out.WriteLong(static_cast<std::int32_t>(chunk.InfoText.size()));
  out.WriteString(chunk.InfoText);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const InfoChunk& chunk) {
  return 24 + static_cast<std::int64_t>(chunk.InfoText.size());
}

}  // namespace qu
