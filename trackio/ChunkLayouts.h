// The byte layouts of the chunk records declared in TrackModel.h, each bound to its record
// and tag. The vertex and segment chunks are in VertexChunkLayouts.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "trackio/TableFrame.h"
#include "trackio/TrackModel.h"
#include "trackio/VertexChunkLayouts.h"

namespace qu {

// The layouts of the entries of the tables below.
namespace chunk_layouts {

inline constexpr auto kColorSetLayout = []<class IO>(IO& io, RecordOf<IO, ColorSet>& set) {
  io.Bool(set.Flag);
  io.Reserved(7);
  io.LenientText(set.Name);
  for (auto& color : set.Colors) io.Color(color);
};

// 92 bytes; the point comes after the flags and values.
inline constexpr auto kFundEntryLayout = []<class IO>(IO& io, RecordOf<IO, FundEntry>& entry) {
  io.Bool(entry.FlagA);
  io.Single(entry.ValueA);
  io.Bool(entry.FlagB);
  io.Single(entry.ValueB);
  io.Reserved(6);
  VectorFields(io, entry.Point);
  io.Reserved(64);
};

// The item count written for an entry: its items when it has any, else the stored count
// when that is zero or negative.
constexpr std::int32_t StoredItemCount(const RascEntry& entry) {
  if (!entry.Items.empty()) return static_cast<std::int32_t>(entry.Items.size());
  return entry.ItemCount < 0 ? entry.ItemCount : 0;
}

inline constexpr auto kRascItemLayout = []<class IO>(IO& io, RecordOf<IO, RascItem>& item) {
  io.Long(item.IntValue);
  io.Single(item.FloatValue);
  io.Reserved(16);
};

inline constexpr std::int64_t kRascItemBytes = ShapeOf<RascItem>(kRascItemLayout).bytes;

// An item count and the items. The count is kept as read even when it is zero or negative,
// which means no items; one whose items cannot fit in the file is refused with its own reason.
inline constexpr auto kRascEntryLayout = []<class IO>(IO& io, RecordOf<IO, RascEntry>& entry) {
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

inline constexpr auto kFrenEntryLayout = []<class IO>(IO& io, RecordOf<IO, Vector3>& point) {
  VectorFields(io, point);
  io.Reserved(16);
};

// Within the A and B groups the second and third values are stored swapped.
inline constexpr auto kTubeEntryLayout = []<class IO>(IO& io, RecordOf<IO, TubeEntry>& e) {
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

inline constexpr auto kCatwEntryLayout = []<class IO>(IO& io, RecordOf<IO, CatwEntry>& e) {
  io.Long(e.ValueA);
  io.Long(e.ValueB);
  io.Long(e.ValueC);
  io.Long(e.ValueD);
  io.Long(e.ValueE);
  io.Long(e.ValueF);
  io.OpaqueBlock(e.ExtraLength);
};

inline constexpr auto kScenEntryLayout = []<class IO>(IO& io, RecordOf<IO, ScenEntry>& e) {
  VectorFields(io, e.Point);
  io.Long(e.Number);
  io.Single(e.ValueA);
  io.Reserved(44);
};

// TextB comes first; the matrix is stored row by row, each row ending in its Column4 value.
inline constexpr auto kScobEntryLayout = []<class IO>(IO& io, RecordOf<IO, ScobEntry>& e) {
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

inline constexpr std::uint8_t kSavedVersion[] = {1, 3, 0, 0};

}  // namespace chunk_layouts

// The root chunk's own fields. The version is kept as read; saving always writes 1.3.0.0.
template <>
struct ChunkTraits<FileHeader> {
  static constexpr std::string_view kTag = "QUEN";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, FileHeader>& header) {
    io.Long(header.Size);
    if constexpr (IO::kReads) {
      for (auto& byte : header.Version) io.Byte(byte);
    } else {
      for (std::uint8_t byte : chunk_layouts::kSavedVersion) io.Byte(byte);
    }
    io.Reserved(16);
    io.Long(header.ChildCount);
  };
};

template <>
struct ChunkTraits<TrackChunk> {
  static constexpr std::string_view kTag = "TRCK";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, TrackChunk>& chunk) {
    io.Long(chunk.Size);
    io.Long(chunk.TrackValue1);
    // The count and the entries it counts are apart.
    const std::int32_t count = io.Count(
        chunk.ColorSets, ShapeOf<ColorSet>(chunk_layouts::kColorSetLayout).bytes, "entry count");
    io.Long(chunk.TrackValue2);
    io.Entries(chunk.ColorSets, count, chunk_layouts::kColorSetLayout);
    for (auto& color : chunk.TrackColors) io.Color(color);
    io.Reserved(16);
    io.Long(chunk.ChildCount);
  };
};

template <>
struct ChunkTraits<InfoChunk> {
  static constexpr std::string_view kTag = "INFO";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, InfoChunk>& chunk) {
    io.Long(chunk.Size);
    io.Reserved(16);
    io.LenientText(chunk.InfoText);
    io.Long(chunk.ChildCount);
  };
};

template <>
struct ChunkTraits<SuppChunk> {
  static constexpr std::string_view kTag = "SUPP";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, SuppChunk>& chunk) {
    io.Long(chunk.Size);
    io.Reserved(32);
    io.Long(chunk.ChildCount);
  };
};

template <>
struct ChunkTraits<FundChunk> {
  static constexpr std::string_view kTag = "FUND";
  static constexpr auto kLayout =
      TableChunkLayout<FundChunk, &FundChunk::Entries>(chunk_layouts::kFundEntryLayout);
};

template <>
struct ChunkTraits<RascChunk> {
  static constexpr std::string_view kTag = "RASC";
  static constexpr auto kLayout =
      TableChunkLayout<RascChunk, &RascChunk::Entries>(chunk_layouts::kRascEntryLayout);
};

template <>
struct ChunkTraits<FrenChunk> {
  static constexpr std::string_view kTag = "FREN";
  static constexpr auto kLayout =
      TableChunkLayout<FrenChunk, &FrenChunk::Points>(chunk_layouts::kFrenEntryLayout);
};

template <>
struct ChunkTraits<TubeChunk> {
  static constexpr std::string_view kTag = "TUBE";
  static constexpr auto kLayout =
      TableChunkLayout<TubeChunk, &TubeChunk::Entries>(chunk_layouts::kTubeEntryLayout);
};

template <>
struct ChunkTraits<CatwChunk> {
  static constexpr std::string_view kTag = "CATW";
  static constexpr auto kLayout =
      TableChunkLayout<CatwChunk, &CatwChunk::Entries>(chunk_layouts::kCatwEntryLayout);
};

template <>
struct ChunkTraits<ScenChunk> {
  static constexpr std::string_view kTag = "SCEN";
  static constexpr auto kLayout =
      TableChunkLayout<ScenChunk, &ScenChunk::Entries>(chunk_layouts::kScenEntryLayout);
};

template <>
struct ChunkTraits<ScobChunk> {
  static constexpr std::string_view kTag = "SCOB";
  static constexpr auto kLayout =
      TableChunkLayout<ScobChunk, &ScobChunk::Entries>(chunk_layouts::kScobEntryLayout);
};

// The grid follows the fixed fields; reading checks that it fits before sizing it, comparing
// by division so that Columns x Rows x 4 is never formed when it could overflow.
template <>
struct ChunkTraits<TeraChunk> {
  static constexpr std::string_view kTag = "TERA";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, TeraChunk>& chunk) {
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
};

template <>
struct ChunkTraits<EnvcChunk> {
  static constexpr std::string_view kTag = "ENVC";
  static constexpr auto kLayout = []<class IO>(IO& io, RecordOf<IO, EnvcChunk>& chunk) {
    io.Long(chunk.Size);
    io.Reserved(16);
    io.LenientText(chunk.TextA);
    io.LenientText(chunk.TextB);
    io.Reserved(16);
    io.Long(chunk.ChildCount);
  };
};

// Compiled in ChunkLayouts.cpp.
extern template struct ChunkEntryPoints<TrackChunk>;
extern template struct ChunkEntryPoints<InfoChunk>;
extern template struct ChunkEntryPoints<SuppChunk>;
extern template struct ChunkEntryPoints<FundChunk>;
extern template struct ChunkEntryPoints<RascChunk>;
extern template struct ChunkEntryPoints<FrenChunk>;
extern template struct ChunkEntryPoints<TubeChunk>;
extern template struct ChunkEntryPoints<CatwChunk>;
extern template struct ChunkEntryPoints<ScenChunk>;
extern template struct ChunkEntryPoints<ScobChunk>;
extern template struct ChunkEntryPoints<TeraChunk>;
extern template struct ChunkEntryPoints<EnvcChunk>;

}  // namespace qu
