#include "SceneryChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr auto kScenEntryLayout = []<class IO>(IO& io, RecordOf<IO, ScenEntry>& e) {
  VectorFields(io, e.Point);
  io.Long(e.Number);
  io.Single(e.ValueA);
  io.Reserved(44);
};

// TextB comes first; the matrix is stored row by row, each row ending in its Column4 value.
constexpr auto kScobEntryLayout = []<class IO>(IO& io, RecordOf<IO, ScobEntry>& e) {
  io.StrictText(e.TextB, "text length");
  io.StrictText(e.TextA, "text length");
  VectorFields(io, e.Row1);
  io.Single(e.Column4.x);
  VectorFields(io, e.Row2);
  io.Single(e.Column4.y);
  VectorFields(io, e.Row3);
  io.Single(e.Column4.z);
  VectorFields(io, e.Extra);
  io.Reserved(20);
};

// The grid follows the fixed fields; reading checks that it fits before sizing it, comparing
// by division so that Columns x Rows x 4 is never formed when it could overflow.
constexpr auto kTeraLayout = []<class IO>(IO& io, RecordOf<IO, TeraChunk>& chunk) {
  io.Long(chunk.Size);
  std::int64_t dimensionsOffset = 0;
  if constexpr (IO::kReads) dimensionsOffset = io.cursor();
  io.Dimension(chunk.Columns, "grid column count");
  io.Dimension(chunk.Rows, "grid row count");
  io.Single(chunk.ValueA);
  io.Single(chunk.ValueB);
  io.StrictText(chunk.TextA, "text length");
  io.Single(chunk.ValueC);
  io.StrictText(chunk.TextB, "text length");
  io.Single(chunk.ValueD);
  io.Bool(chunk.Flag);
  io.Reserved(4);
  io.StrictText(chunk.TextC, "text length");
  io.Single(chunk.ValueE);
  io.Byte(chunk.ByteValue);
  io.Reserved(15);
  if constexpr (IO::kReads) {
    if (!io.failed()) {
      if (chunk.Rows != 0 && chunk.Columns > io.remaining() / 4 / chunk.Rows) {
        io.Fail("grid of " + std::to_string(chunk.Columns) + " x " + std::to_string(chunk.Rows) +
                    " values runs past the end of the file",
                dimensionsOffset);
      } else {
        io.Singles(chunk.Grid, GridCellCount(chunk));
      }
    }
  } else {
    io.Singles(chunk.Grid);
  }
  io.Reserved(16);
  io.Long(chunk.ChildCount);
  // Set last: a chunk that could not be read whole never counts as present.
  if constexpr (IO::kReads) chunk.TeraPresent = !io.failed();
};

constexpr auto kEnvcLayout = []<class IO>(IO& io, RecordOf<IO, EnvcChunk>& chunk) {
  io.Long(chunk.Size);
  io.Reserved(16);
  io.LenientText(chunk.TextA);
  io.LenientText(chunk.TextB);
  io.Reserved(16);
  io.Long(chunk.ChildCount);
};

constexpr auto kScenLayout = TableChunkLayout<ScenChunk, &ScenChunk::Entries>(kScenEntryLayout);
constexpr auto kScobLayout = TableChunkLayout<ScobChunk, &ScobChunk::Entries>(kScobEntryLayout);

}  // namespace

std::int64_t GridCellCount(const TeraChunk& chunk) {
  if (chunk.Columns < 0 || chunk.Rows < 0) return -1;
  return std::int64_t{chunk.Columns} * std::int64_t{chunk.Rows};
}

QU_CHUNK_ENTRY_POINTS(SCEN, ScenChunk, kScenLayout)
QU_CHUNK_ENTRY_POINTS(SCOB, ScobChunk, kScobLayout)
QU_CHUNK_ENTRY_POINTS(TERA, TeraChunk, kTeraLayout)
QU_CHUNK_ENTRY_POINTS(ENVC, EnvcChunk, kEnvcLayout)

}  // namespace qu
