#include "SupportChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

struct SuppLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, SuppChunk>& chunk) const {
    io.Long(chunk.Size);
    io.Reserved(32);
    io.Long(chunk.ChildCount);
  }
};

// 92 bytes; the point comes after the flags and values.
struct FundEntryLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, FundEntry>& entry) const {
    io.Bool(entry.FlagA);
    io.Single(entry.ValueA);
    io.Bool(entry.FlagB);
    io.Single(entry.ValueB);
    io.Reserved(6);
    VectorFields(io, entry.Point);
    io.Reserved(64);
  }
};

using FundLayout = TableChunkLayout<FundChunk, &FundChunk::Entries, FundEntryLayout>;

}  // namespace

QU_CHUNK_ENTRY_POINTS(SUPP, SuppChunk, SuppLayout)
QU_CHUNK_ENTRY_POINTS(FUND, FundChunk, FundLayout)

}  // namespace qu
