#include "SupportTables.h"

#include "TableFrame.h"

namespace qu {
namespace {

struct RascItemLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, RascItem>& item) const {
    io.Long(item.IntValue);
    io.Single(item.FloatValue);
    io.Reserved(16);
  }
};

constexpr std::int64_t kRascItemBytes = ShapeOf<RascItem, RascItemLayout>().bytes;

// An item count and the items. The count is kept as read even when it is zero or negative,
// which means no items; one whose items cannot fit in the file is refused with its own reason.
struct RascEntryLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, RascEntry>& entry) const {
    std::int32_t count = 0;  // what reading found; writing stores and writes every item
    if constexpr (IO::kReads) {
      io.NoteCountField();
      const std::int64_t offset = io.cursor();
      io.Long(entry.ItemCount);
      count = entry.ItemCount;
      if (count <= 0) return;
      if (count * kRascItemBytes > io.remaining()) {
        io.Fail("item count " + std::to_string(count) + " runs past the end of the file", offset);
        return;
      }
    } else {
      io.Long(StoredItemCount(entry));
    }
    io.Records(entry.Items, count, RascItemLayout{});
  }
};

struct FrenEntryLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, Vector3>& point) const {
    VectorFields(io, point);
    io.Reserved(16);
  }
};

// Within the A and B groups the second and third values are stored swapped.
struct TubeEntryLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, TubeEntry>& e) const {
    io.Long(e.A1);
    io.Long(e.A3);
    io.Long(e.A2);
    io.Reserved(4);
    io.Long(e.B1);
    io.Long(e.B3);
    io.Long(e.B2);
    io.Reserved(4);
    io.Long(e.C1);
    io.Long(e.C2);
    io.Single(e.C3);
    io.Reserved(4);
  }
};

struct CatwEntryLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, CatwEntry>& e) const {
    io.Long(e.ValueA);
    io.Long(e.ValueB);
    io.Long(e.ValueC);
    io.Long(e.ValueD);
    io.Long(e.ValueE);
    io.Long(e.ValueF);
    io.OpaqueBlock(e.ExtraLength);
  }
};

using RascLayout = TableChunkLayout<RascChunk, &RascChunk::Entries, RascEntryLayout>;
using FrenLayout = TableChunkLayout<FrenChunk, &FrenChunk::Points, FrenEntryLayout>;
using TubeLayout = TableChunkLayout<TubeChunk, &TubeChunk::Entries, TubeEntryLayout>;
using CatwLayout = TableChunkLayout<CatwChunk, &CatwChunk::Entries, CatwEntryLayout>;

}  // namespace

void ReadRASC(TrackReader& in, RascChunk& chunk) {
  ReadChunk(in, chunk, RascLayout{});
}
void WriteRASC(TrackWriter& out, const RascChunk& chunk) {
  WriteChunk(out, "RASC", chunk, RascLayout{});
}
std::int64_t OwnBytes(const RascChunk& chunk) {
  return ChunkOwnBytes(chunk, RascLayout{});
}

void ReadFREN(TrackReader& in, FrenChunk& chunk) {
  ReadChunk(in, chunk, FrenLayout{});
}
void WriteFREN(TrackWriter& out, const FrenChunk& chunk) {
  WriteChunk(out, "FREN", chunk, FrenLayout{});
}
std::int64_t OwnBytes(const FrenChunk& chunk) {
  return ChunkOwnBytes(chunk, FrenLayout{});
}

void ReadTUBE(TrackReader& in, TubeChunk& chunk) {
  ReadChunk(in, chunk, TubeLayout{});
}
void WriteTUBE(TrackWriter& out, const TubeChunk& chunk) {
  WriteChunk(out, "TUBE", chunk, TubeLayout{});
}
std::int64_t OwnBytes(const TubeChunk& chunk) {
  return ChunkOwnBytes(chunk, TubeLayout{});
}

void ReadCATW(TrackReader& in, CatwChunk& chunk) {
  ReadChunk(in, chunk, CatwLayout{});
}
void WriteCATW(TrackWriter& out, const CatwChunk& chunk) {
  WriteChunk(out, "CATW", chunk, CatwLayout{});
}
std::int64_t OwnBytes(const CatwChunk& chunk) {
  return ChunkOwnBytes(chunk, CatwLayout{});
}

}  // namespace qu
