#pragma once

#include <cstdint>
#include <string_view>

#include "trackio/TrackBuffer.h"
#include "trackio/Vector3.h"

namespace qu {

// Most table chunks share one frame: size, 16 reserved bytes, an entry count, the entries,
// 16 reserved bytes, the child count. The smallest entry, against which the count is checked,
// is the entry's default form; entries of one fixed size are converted as one run.
template <class IO, class Chunk, class Table, class Fields>
constexpr void TableFrame(IO& io, Chunk& chunk, Table& table, Fields fields,
                          std::string_view countName = "entry count") {
  using Entry = typename std::remove_const_t<Table>::value_type;
  io.Long(chunk.Size);
  io.Reserved(16);
  const std::int32_t count = io.Count(table, ShapeOf<Entry, Fields>().bytes, countName);
  if constexpr (kFixedSize<Entry, Fields>) {
    io.Records(table, count, fields);
  } else {
    io.Entries(table, count, fields);
  }
  io.Reserved(16);
  io.Long(chunk.ChildCount);
}

// The layout of a chunk that is nothing but a table frame around its member `Table`.
template <class Chunk, auto Table, class EntryLayout>
constexpr auto TableChunkLayout(EntryLayout entryLayout) {
  return [=]<class IO>(IO& io, RecordOf<IO, Chunk>& chunk) {
    TableFrame(io, chunk, chunk.*Table, entryLayout);
  };
}

template <class IO>
constexpr void VectorFields(IO& io, RecordOf<IO, Vector3>& v) {
  io.Single(v.x);
  io.Single(v.y);
  io.Single(v.z);
}

}  // namespace qu
