#include "SupportTables.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr std::int64_t kRascItemBytes = 24;
constexpr std::int64_t kFrenEntryBytes = 28;
constexpr std::int64_t kTubeEntryBytes = 48;
constexpr std::int64_t kCatwEntryFixedBytes = 28;

void ReadRascEntry(TrackReader& in, RascEntry& entry) {
  in.NoteCountField();
  const std::int64_t offset = in.cursor();
  entry.ItemCount = in.ReadLong();
  if (entry.ItemCount <= 0) return;
  if (entry.ItemCount * kRascItemBytes > in.remaining()) {
    in.Fail("item count " + std::to_string(entry.ItemCount) + " runs past the end of the file",
            offset);
    return;
  }
  ReadEntriesInto(in, entry.Items, static_cast<std::size_t>(entry.ItemCount), [&](RascItem& item) {
    item.IntValue = in.ReadLong();
    item.FloatValue = in.ReadSingle();
    in.Skip(16);
  });
}

void ReadTubeEntry(TrackReader& in, TubeEntry& e) {
  e.A1 = in.ReadLong();
  e.A3 = in.ReadLong();
  e.A2 = in.ReadLong();
  in.Skip(4);
  e.B1 = in.ReadLong();
  e.B3 = in.ReadLong();
  e.B2 = in.ReadLong();
  in.Skip(4);
  e.C1 = in.ReadLong();
  e.C2 = in.ReadLong();
  e.C3 = in.ReadSingle();
  in.Skip(4);
}

void WriteTubeEntry(TrackWriter& out, const TubeEntry& e) {
  out.WriteLong(e.A1);
  out.WriteLong(e.A3);
  out.WriteLong(e.A2);
  out.WriteZeros(4);
  out.WriteLong(e.B1);
  out.WriteLong(e.B3);
  out.WriteLong(e.B2);
  out.WriteZeros(4);
  out.WriteLong(e.C1);
  out.WriteLong(e.C2);
  out.WriteSingle(e.C3);
  out.WriteZeros(4);
}

void ReadCatwEntry(TrackReader& in, CatwEntry& e) {
  e.ValueA = in.ReadLong();
  e.ValueB = in.ReadLong();
  e.ValueC = in.ReadLong();
  e.ValueD = in.ReadLong();
  e.ValueE = in.ReadLong();
  e.ValueF = in.ReadLong();
  in.NoteCountField();
  const std::int64_t offset = in.cursor();
  e.ExtraLength = in.ReadLong();
  if (e.ExtraLength < 0) {
    in.Fail("negative block length " + std::to_string(e.ExtraLength), offset);
    return;
  }
  in.Skip(e.ExtraLength);
}

}  // namespace

std::int32_t StoredItemCount(const RascEntry& entry) {
  if (!entry.Items.empty()) return static_cast<std::int32_t>(entry.Items.size());
  return entry.ItemCount < 0 ? entry.ItemCount : 0;
}

void ReadRASC(TrackReader& in, RascChunk& chunk) {
  ReadTableFrame(in, chunk, 4, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](RascEntry& e) { ReadRascEntry(in, e); });
  });
}

void WriteRASC(TrackWriter& out, const RascChunk& chunk) {
  WriteTableFrame(out, "RASC", chunk, chunk.Entries.size(), [&] {
    for (const auto& entry : chunk.Entries) {
      out.WriteLong(StoredItemCount(entry));
      for (const auto& item : entry.Items) {
        out.WriteLong(item.IntValue);
        out.WriteSingle(item.FloatValue);
        out.WriteZeros(16);
      }
    }
  });
}

std::int64_t OwnBytes(const RascChunk& chunk) {
  std::int64_t bytes = 40;
  for (const auto& entry : chunk.Entries) {
    bytes += 4 + kRascItemBytes * static_cast<std::int64_t>(entry.Items.size());
  }
  return bytes;
}

void ReadFREN(TrackReader& in, FrenChunk& chunk) {
  ReadTableFrame(in, chunk, kFrenEntryBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Points, count, [&](Vector3& p) {
      p.x = in.ReadSingle();
      p.y = in.ReadSingle();
      p.z = in.ReadSingle();
      in.Skip(16);
    });
  });
}

void WriteFREN(TrackWriter& out, const FrenChunk& chunk) {
  WriteTableFrame(out, "FREN", chunk, chunk.Points.size(), [&] {
    for (const auto& p : chunk.Points) {
      out.WriteSingle(p.x);
      out.WriteSingle(p.y);
      out.WriteSingle(p.z);
      out.WriteZeros(16);
    }
  });
}

std::int64_t OwnBytes(const FrenChunk& chunk) {
  return 40 + kFrenEntryBytes * static_cast<std::int64_t>(chunk.Points.size());
}

void ReadTUBE(TrackReader& in, TubeChunk& chunk) {
  ReadTableFrame(in, chunk, kTubeEntryBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](TubeEntry& e) { ReadTubeEntry(in, e); });
  });
}

void WriteTUBE(TrackWriter& out, const TubeChunk& chunk) {
  WriteTableFrame(out, "TUBE", chunk, chunk.Entries.size(), [&] {
    for (const auto& e : chunk.Entries) WriteTubeEntry(out, e);
  });
}

std::int64_t OwnBytes(const TubeChunk& chunk) {
  return 40 + kTubeEntryBytes * static_cast<std::int64_t>(chunk.Entries.size());
}

void ReadCATW(TrackReader& in, CatwChunk& chunk) {
  ReadTableFrame(in, chunk, kCatwEntryFixedBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](CatwEntry& e) { ReadCatwEntry(in, e); });
  });
}

void WriteCATW(TrackWriter& out, const CatwChunk& chunk) {
  WriteTableFrame(out, "CATW", chunk, chunk.Entries.size(), [&] {
    for (const auto& e : chunk.Entries) {
      out.WriteLong(e.ValueA);
      out.WriteLong(e.ValueB);
      out.WriteLong(e.ValueC);
      out.WriteLong(e.ValueD);
      out.WriteLong(e.ValueE);
      out.WriteLong(e.ValueF);
      out.WriteLong(e.ExtraLength);
      out.WriteZeros(e.ExtraLength);  // writes nothing for zero or less
    }
  });
}

std::int64_t OwnBytes(const CatwChunk& chunk) {
  std::int64_t bytes = 40;
  for (const auto& e : chunk.Entries) {
    bytes += kCatwEntryFixedBytes + (e.ExtraLength > 0 ? e.ExtraLength : 0);
  }
  return bytes;
}

}  // namespace qu
