#pragma once

#include <cstdint>
#include <string_view>

#include "TrackBuffer.h"

namespace qu {

// Most table chunks share one frame: size, 16 reserved bytes, an entry count, the entries,
// 16 reserved bytes, the child count. These read and write the frame around a body that
// reads or writes the entries.

template <typename Chunk, typename ReadEntries>
void ReadTableFrame(TrackReader& in, Chunk& chunk, std::int64_t minEntryBytes,
                    ReadEntries readEntries, std::string_view countName = "entry count") {
  chunk = Chunk{};
  chunk.Size = in.ReadLong();
  in.Skip(16);
  const std::int32_t count = in.ReadCount(minEntryBytes, countName);
  readEntries(static_cast<std::size_t>(count));
  in.Skip(16);
  chunk.ChildCount = in.ReadLong();
}

template <typename Chunk, typename WriteEntries>
void WriteTableFrame(TrackWriter& out, std::string_view tag, const Chunk& chunk, std::size_t count,
                     WriteEntries writeEntries) {
  out.WriteTag(tag);
  out.WriteLong(chunk.Size);
  out.WriteZeros(16);
  out.WriteLong(static_cast<std::int32_t>(count));
  writeEntries();
  out.WriteZeros(16);
  out.WriteLong(chunk.ChildCount);
}

// Reads `count` entries into `table`, stopping at the first failure. The count has been
// checked against the bytes left, so reserving it up front is safe.
template <typename Table, typename ReadEntry>
void ReadEntriesInto(TrackReader& in, Table& table, std::size_t count, ReadEntry readEntry) {
  table.reserve(count);
  for (std::size_t i = 0; i < count && !in.failed(); ++i) readEntry(table.emplace_back());
}

}  // namespace qu
