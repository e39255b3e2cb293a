#pragma once

#include <cstdint>

#include "trackio/TrackBuffer.h"

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

// The entry points of a chunk type, made from its traits. They are compiled once per chunk
// type, in the file that defines its layout (ChunkLayouts.cpp, VertexChunkLayouts.cpp), which
// the layout headers declare with `extern template`: compiled all together, into the unit
// that walks the chunk tree, they would reach GCC's limit on a unit's growth by inlining, and
// the field verbs would no longer be inlined.
template <class Chunk>
struct ChunkEntryPoints {
  static void Read(TrackReader& in, Chunk& chunk);
  static void Write(TrackWriter& out, const Chunk& chunk);
  static std::int64_t OwnBytes(const Chunk& chunk);
};

template <class Chunk>
void ChunkEntryPoints<Chunk>::Read(TrackReader& in, Chunk& chunk) {
  chunk = Chunk{};
  ChunkTraits<Chunk>::kLayout(in, chunk);
}

template <class Chunk>
void ChunkEntryPoints<Chunk>::Write(TrackWriter& out, const Chunk& chunk) {
  out.WriteTag(ChunkTraits<Chunk>::kTag);
  ChunkTraits<Chunk>::kLayout(out, chunk);
}

template <class Chunk>
std::int64_t ChunkEntryPoints<Chunk>::OwnBytes(const Chunk& chunk) {
  return BytesOf(chunk, ChunkTraits<Chunk>::kLayout) - 4;
}

// Reads a chunk, starting after its tag, into a cleared record.
template <class Chunk>
void ReadChunk(TrackReader& in, Chunk& chunk) {
  ChunkEntryPoints<Chunk>::Read(in, chunk);
}

// Writes a chunk, starting with its tag.
template <class Chunk>
void WriteChunk(TrackWriter& out, const Chunk& chunk) {
  ChunkEntryPoints<Chunk>::Write(out, chunk);
}

// The bytes of a chunk after its size field, its children excluded.
template <class Chunk>
std::int64_t OwnBytes(const Chunk& chunk) {
  return ChunkEntryPoints<Chunk>::OwnBytes(chunk);
}

}  // namespace qu
