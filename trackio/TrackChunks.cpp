#include "TrackChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

struct ColorSetLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, ColorSet>& set) const {
    io.Bool(set.Flag);
    io.Reserved(7);
    io.LenientText(set.Name);
    for (auto& color : set.Colors) io.Color(color);
  }
};

struct TrckLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, TrackChunk>& chunk) const {
    io.Long(chunk.Size);
    io.Long(chunk.TrackValue1);
    // The count and the entries it counts are apart.
    const std::int32_t count =
        io.Count(chunk.ColorSets, ShapeOf<ColorSet, ColorSetLayout>().bytes, "entry count");
    io.Long(chunk.TrackValue2);
    io.Entries(chunk.ColorSets, count, ColorSetLayout{});
    for (auto& color : chunk.TrackColors) io.Color(color);
    io.Reserved(16);
    io.Long(chunk.ChildCount);
  }
};

struct InfoLayout {
  template <class IO>
  constexpr void operator()(IO& io, RecordOf<IO, InfoChunk>& chunk) const {
    io.Long(chunk.Size);
    io.Reserved(16);
    io.LenientText(chunk.InfoText);
    io.Long(chunk.ChildCount);
  }
};

}  // namespace

QU_CHUNK_ENTRY_POINTS(TRCK, TrackChunk, TrckLayout)
QU_CHUNK_ENTRY_POINTS(INFO, InfoChunk, InfoLayout)

}  // namespace qu
