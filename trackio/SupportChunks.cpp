#include "SupportChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr std::int64_t kFundEntryBytes = 92;

}  // namespace

void ReadSUPP(TrackReader& in, SuppChunk& chunk) {
  chunk = SuppChunk{};
  chunk.Size = in.ReadLong();
  in.Skip(32);
  chunk.ChildCount = in.ReadLong();
}

void WriteSUPP(TrackWriter& out, const SuppChunk& chunk) {
  out.WriteTag("SUPP");
  out.WriteLong(chunk.Size);
  out.WriteZeros(32);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const SuppChunk&) {
  return 36;
}

void ReadFUND(TrackReader& in, FundChunk& chunk) {
  ReadTableFrame(in, chunk, kFundEntryBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](FundEntry& entry) {
      entry.FlagA = in.ReadBool();
      entry.ValueA = in.ReadSingle();
      entry.FlagB = in.ReadBool();
      entry.ValueB = in.ReadSingle();
      in.Skip(6);
      entry.Point.x = in.ReadSingle();
      entry.Point.y = in.ReadSingle();
      entry.Point.z = in.ReadSingle();
      in.Skip(64);
    });
  });
}

void WriteFUND(TrackWriter& out, const FundChunk& chunk) {
  WriteTableFrame(out, "FUND", chunk, chunk.Entries.size(), [&] {
    for (const auto& entry : chunk.Entries) {
      out.WriteByte(entry.FlagA);
      out.WriteSingle(entry.ValueA);
      out.WriteByte(entry.FlagB);
      out.WriteSingle(entry.ValueB);
      out.WriteZeros(6);
      out.WriteSingle(entry.Point.x);
      out.WriteSingle(entry.Point.y);
      out.WriteSingle(entry.Point.z);
      out.WriteZeros(64);
    }
  });
}

std::int64_t OwnBytes(const FundChunk& chunk) {
  return 40 + kFundEntryBytes * static_cast<std::int64_t>(chunk.Entries.size());
}

}  // namespace qu
