#include "SupportChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr auto kSuppLayout = []<class IO>(IO& io, RecordOf<IO, SuppChunk>& chunk) {
  io.Long(chunk.Size);
  io.Reserved(32);
  io.Long(chunk.ChildCount);
};

// 92 bytes; the point comes after the flags and values.
constexpr auto kFundEntryLayout = []<class IO>(IO& io, RecordOf<IO, FundEntry>& entry) {
  io.Bool(entry.FlagA);
  io.Single(entry.ValueA);
  io.Bool(entry.FlagB);
  io.Single(entry.ValueB);
  io.Reserved(6);
  VectorFields(io, entry.Point);
  io.Reserved(64);
};

constexpr auto kFundLayout = TableChunkLayout<FundChunk, &FundChunk::Entries>(kFundEntryLayout);

// The item count written for an entry: its items when it has any, else the stored count
// when that is zero or negative.
constexpr std::int32_t StoredItemCount(const RascEntry& entry) {
  if (!entry.Items.empty()) return static_cast<std::int32_t>(entry.Items.size());
  return entry.ItemCount < 0 ? entry.ItemCount : 0;
}

constexpr auto kRascItemLayout = []<class IO>(IO& io, RecordOf<IO, RascItem>& item) {
  io.Long(item.IntValue);
  io.Single(item.FloatValue);
  io.Reserved(16);
};

constexpr std::int64_t kRascItemBytes = ShapeOf<RascItem>(kRascItemLayout).bytes;

// An item count and the items. The count is kept as read even when it is zero or negative,
// which means no items; one whose items cannot fit in the file is refused with its own reason.
constexpr auto kRascEntryLayout = []<class IO>(IO& io, RecordOf<IO, RascEntry>& entry) {
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
  io.Records(entry.Items, count, kRascItemLayout);
};

constexpr auto kFrenEntryLayout = []<class IO>(IO& io, RecordOf<IO, Vector3>& point) {
  VectorFields(io, point);
  io.Reserved(16);
};

// Within the A and B groups the second and third values are stored swapped.
constexpr auto kTubeEntryLayout = []<class IO>(IO& io, RecordOf<IO, TubeEntry>& e) {
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
};

constexpr auto kCatwEntryLayout = []<class IO>(IO& io, RecordOf<IO, CatwEntry>& e) {
  io.Long(e.ValueA);
  io.Long(e.ValueB);
  io.Long(e.ValueC);
  io.Long(e.ValueD);
  io.Long(e.ValueE);
  io.Long(e.ValueF);
  io.OpaqueBlock(e.ExtraLength);
};

constexpr auto kRascLayout = TableChunkLayout<RascChunk, &RascChunk::Entries>(kRascEntryLayout);
constexpr auto kFrenLayout = TableChunkLayout<FrenChunk, &FrenChunk::Points>(kFrenEntryLayout);
constexpr auto kTubeLayout = TableChunkLayout<TubeChunk, &TubeChunk::Entries>(kTubeEntryLayout);
constexpr auto kCatwLayout = TableChunkLayout<CatwChunk, &CatwChunk::Entries>(kCatwEntryLayout);

}  // namespace

QU_CHUNK_ENTRY_POINTS(SUPP, SuppChunk, kSuppLayout)
QU_CHUNK_ENTRY_POINTS(FUND, FundChunk, kFundLayout)
QU_CHUNK_ENTRY_POINTS(RASC, RascChunk, kRascLayout)
QU_CHUNK_ENTRY_POINTS(FREN, FrenChunk, kFrenLayout)
QU_CHUNK_ENTRY_POINTS(TUBE, TubeChunk, kTubeLayout)
QU_CHUNK_ENTRY_POINTS(CATW, CatwChunk, kCatwLayout)

}  // namespace qu
