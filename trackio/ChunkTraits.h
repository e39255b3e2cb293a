#pragma once

#include <cstdint>

#include "TrackBuffer.h"

namespace qu {

// The two fields every chunk record starts with: the bytes after its size field, and the
// number of chunks nested in it.
struct ChunkHead {
  std::int32_t Size = 0;
  std::int32_t ChildCount = 0;
};

// Binds a chunk record type to its four-letter tag and its byte layout, once per chunk type
// (ChunkLayouts.h, VertexChunkLayouts.h):
//   template <> struct ChunkTraits<InfoChunk> {
//     static constexpr std::string_view kTag = "INFO";
//     static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, InfoChunk>& chunk) {…};
//   };
// The layout runs from the size field to the child count; the children follow as chunks of
// their own. The entry points below, and the loader's table of known chunks, are made from it.
template <class Chunk>
struct ChunkTraits;

// Reads a chunk, starting after its tag, into a cleared record.
template <class Chunk>
void ReadChunk(TrackReader& in, Chunk& chunk) {
  chunk = Chunk{};
  ChunkTraits<Chunk>::kLayout(in, chunk);
}

// Writes a chunk, starting with its tag.
template <class Chunk>
void WriteChunk(TrackWriter& out, const Chunk& chunk) {
  out.WriteTag(ChunkTraits<Chunk>::kTag);
  ChunkTraits<Chunk>::kLayout(out, chunk);
}

// The bytes of a chunk after its size field, its children excluded.
template <class Chunk>
std::int64_t OwnBytes(const Chunk& chunk) {
  return BytesOf(chunk, ChunkTraits<Chunk>::kLayout) - 4;
}

}  // namespace qu
