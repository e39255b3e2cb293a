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

void ReadSUPP(TrackReader& in, SuppChunk& chunk) {
  ReadChunk(in, chunk, SuppLayout{});
}
void WriteSUPP(TrackWriter& out, const SuppChunk& chunk) {
  WriteChunk(out, "SUPP", chunk, SuppLayout{});
}
std::int64_t OwnBytes(const SuppChunk& chunk) {
  return ChunkOwnBytes(chunk, SuppLayout{});
}

void ReadFUND(TrackReader& in, FundChunk& chunk) {
  ReadChunk(in, chunk, FundLayout{});
}
void WriteFUND(TrackWriter& out, const FundChunk& chunk) {
  WriteChunk(out, "FUND", chunk, FundLayout{});
}
std::int64_t OwnBytes(const FundChunk& chunk) {
  return ChunkOwnBytes(chunk, FundLayout{});
}

}  // namespace qu
