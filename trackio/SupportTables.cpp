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

QU_CHUNK_ENTRY_POINTS(RASC, RascChunk, RascLayout)
QU_CHUNK_ENTRY_POINTS(FREN, FrenChunk, FrenLayout)
QU_CHUNK_ENTRY_POINTS(TUBE, TubeChunk, TubeLayout)
QU_CHUNK_ENTRY_POINTS(CATW, CatwChunk, CatwLayout)

}  // namespace qu
