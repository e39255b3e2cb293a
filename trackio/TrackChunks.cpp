#include "TrackChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr auto kColorSetLayout = []<class IO>(IO& io, RecordOf<IO, ColorSet>& set) {
  io.Bool(set.Flag);
  io.Reserved(7);
  io.LenientText(set.Name);
  for (auto& color : set.Colors) io.Color(color);
};

constexpr auto kTrckLayout = []<class IO>(IO& io, RecordOf<IO, TrackChunk>& chunk) {
  io.Long(chunk.Size);
  io.Long(chunk.TrackValue1);
  // The count and the entries it counts are apart.
  const std::int32_t count =
      io.Count(chunk.ColorSets, ShapeOf<ColorSet>(kColorSetLayout).bytes, "entry count");
  io.Long(chunk.TrackValue2);
  io.Entries(chunk.ColorSets, count, kColorSetLayout);
  for (auto& color : chunk.TrackColors) io.Color(color);
  io.Reserved(16);
  io.Long(chunk.ChildCount);
};

constexpr auto kInfoLayout = []<class IO>(IO& io, RecordOf<IO, InfoChunk>& chunk) {
  io.Long(chunk.Size);
  io.Reserved(16);
  io.LenientText(chunk.InfoText);
  io.Long(chunk.ChildCount);
};

}  // namespace

QU_CHUNK_ENTRY_POINTS(TRCK, TrackChunk, kTrckLayout)
QU_CHUNK_ENTRY_POINTS(INFO, InfoChunk, kInfoLayout)

}  // namespace qu
