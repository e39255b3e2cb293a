// Each chunk type read from hand-written bytes and written back. The input bytes carry
// non-zero reserved bytes, flag bytes of 1 and colours with a non-zero first byte; the output
// must be the same layout with those normalised and nothing else changed.
#include <gtest/gtest.h>

#include <bit>

#include "tests/TrackBytes.h"
#include "trackio/ChunkLayouts.h"

namespace qu {
namespace {

using test::ByteBuilder;
using test::Bytes;

// How the variable bytes of a layout are spelled: as an odd input file has them, or as
// this system writes them.
struct Style {
  std::uint8_t reserved;
  std::uint8_t truth;
  std::uint8_t colourTop;
  bool normal;
};
constexpr Style kOdd{0xAA, 0x01, 0xFF, false};
constexpr Style kNormal{0x00, 0xFF, 0x00, true};

class Layout {
 public:
  explicit Layout(Style s) : s_(s) {}
  Layout& Long(std::int32_t v) {
    return Do([&] { b_.Long(v); });
  }
  Layout& Single(float v) {
    return Do([&] { b_.Single(v); });
  }
  Layout& Bits(std::uint32_t v) {
    return Do([&] { b_.Raw32(v); });
  }
  Layout& Byte(std::uint8_t v) {
    return Do([&] { b_.Byte(v); });
  }
  Layout& Flag(bool v) { return Byte(v ? s_.truth : 0); }
  Layout& Reserved(std::size_t n) {
    return Do([&] { b_.Fill(n, s_.reserved); });
  }
  Layout& Colour(std::uint32_t v) { return Bits((std::uint32_t{s_.colourTop} << 24) | v); }
  Layout& Text(const std::string& t) {
    b_.Long(static_cast<std::int32_t>(t.size()));
    for (char c : t) b_.Byte(static_cast<std::uint8_t>(c));
    return *this;
  }
  // A field whose stored value differs between the odd input and the normal output.
  Layout& LongEither(std::int32_t odd, std::int32_t normal) {
    return Long(s_.normal ? normal : odd);
  }
  const Style& style() const { return s_; }
  Bytes bytes() const { return b_.bytes(); }

 private:
  template <typename F>
  Layout& Do(F f) {
    f();
    return *this;
  }
  Style s_;
  ByteBuilder b_;
};

// Reads `body` (the bytes after the tag) as a Chunk, writes the chunk and compares with
// `tag` + `expected`. Also checks the size rule: the bytes after the size field.
template <typename Chunk>
Chunk ExpectRewrite(const char* tag, const Bytes& body, const Bytes& expected) {
  Chunk chunk;
  TrackReader in{std::span(body)};
  in.EnterChunk(tag);
  ReadChunk(in, chunk);
  EXPECT_FALSE(in.failed()) << in.error();
  EXPECT_EQ(in.remaining(), 0) << tag << " left bytes unread";

  TrackWriter out;
  WriteChunk(out, chunk);
  Bytes written = out.Take();
  Bytes wanted = ByteBuilder().Tag(tag).Append(expected).bytes();
  EXPECT_EQ(written, wanted) << tag;
  EXPECT_EQ(OwnBytes(chunk), static_cast<std::int64_t>(expected.size()) - 4) << tag;
  return chunk;
}

Bytes TrckBody(Style s) {
  Layout l(s);
  l.Long(1234).Long(-7).Long(2).Long(99);
  l.Flag(true).Reserved(7).Text("abc").Colour(0x123456).Colour(1).Colour(2).Colour(0xFFFFFF);
  l.Flag(false).Reserved(7).LongEither(-5, 0).Colour(3).Colour(4).Colour(5).Colour(6);
  for (std::uint32_t c = 0; c < 8; ++c) l.Colour(0x010101 * c);
  l.Reserved(16).LongEither(9, 9);
  return l.bytes();
}

TEST(ChunkRoundTrip, Trck) {
  const TrackChunk c = ExpectRewrite<TrackChunk>("TRCK", TrckBody(kOdd), TrckBody(kNormal));
  ASSERT_EQ(c.ColorSets.size(), 2u);
  EXPECT_EQ(c.Size, 1234);
  EXPECT_EQ(c.TrackValue1, -7);
  EXPECT_EQ(c.TrackValue2, 99);
  EXPECT_TRUE(c.ColorSets[0].Flag);
  EXPECT_EQ(c.ColorSets[0].Name, "abc");
  EXPECT_EQ(c.ColorSets[0].Colors[0], 0x123456);
  EXPECT_EQ(c.ColorSets[1].Name, "");
  EXPECT_EQ(c.TrackColors[7], 0x070707);
  EXPECT_EQ(c.ChildCount, 9);
}

Bytes InfoBody(Style s, const std::string& text) {
  Layout l(s);
  l.Long(0).Reserved(16).Text(text).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, InfoSizesCountTheText) {
  const InfoChunk c = ExpectRewrite<InfoChunk>("INFO", InfoBody(kOdd, "0123456789"),
                                               InfoBody(kNormal, "0123456789"));
  EXPECT_EQ(c.InfoText, "0123456789");
  EXPECT_EQ(OwnBytes(c), 34);
  EXPECT_EQ(OwnBytes(InfoChunk{}), 24);
}

Bytes BezrBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(2);
  // Vertex 0 holds a signalling NaN, negative zero and the smallest denormal.
  l.Bits(0x7FA00001).Bits(0x80000000).Bits(0x00000001);
  for (int i = 0; i < 7; ++i) l.Single(static_cast<float>(i) + 0.5f);
  l.Flag(true).Flag(false).Byte(s.normal ? 0xFF : 7).Reserved(17);
  for (int i = 0; i < 10; ++i) l.Single(-static_cast<float>(i));
  l.Flag(false).Flag(true).Flag(false).Reserved(17);
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, BezrKeepsFloatBitsAndFlagOrder) {
  const VertexChunk c = ExpectRewrite<VertexChunk>("BEZR", BezrBody(kOdd), BezrBody(kNormal));
  ASSERT_EQ(c.Vertices.size(), 2u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(c.Vertices[0].position.x), 0x7FA00001u);
  EXPECT_EQ(c.Vertices[0].controlIn.x, 0.5f);
  EXPECT_EQ(c.Vertices[0].controlOut.x, 3.5f);
  EXPECT_EQ(c.Vertices[0].auxValue, 6.5f);
  EXPECT_TRUE(c.Vertices[0].flag1 && !c.Vertices[0].flag2 && c.Vertices[0].flag3);
  EXPECT_TRUE(!c.Vertices[1].flag1 && c.Vertices[1].flag2 && !c.Vertices[1].flag3);
  EXPECT_EQ(OwnBytes(VertexChunk{}), 40);
}

// One segment record of each kind, with distinct values in every field.
Bytes SegmBody(Style s) {
  Layout l(s);
  l.Long(0).Long(7).Flag(true).Reserved(16);
  auto head = [&](std::int32_t type) {
    l.Long(type).Flag(true).Colour(0x111111).Colour(0x222222).Colour(0x333333).Flag(false).Reserved(
        15);
  };
  head(0);
  l.LongEither(12345, 0);
  head(1);
  l.Long(126).Single(1).Single(2).Single(3).Single(4).Byte(11).Byte(12).Flag(true).Byte(13);
  l.Single(5).Reserved(4).Flag(false).Single(6).Reserved(4).Single(7).Single(8).Reserved(4);
  l.Flag(true).Single(9).Single(10).Single(11).Reserved(64);
  head(2);
  l.LongEither(99, 36).Reserved(3).Byte(21).Single(1).Single(2).Single(3).Reserved(4);
  l.Flag(true).Flag(false).Reserved(14);
  head(3);
  l.Long(28).Single(1).Single(2).Single(3).Reserved(3).Byte(31).Flag(false).Flag(true).Reserved(10);
  head(4);
  l.Long(50).Single(1).Single(2).Single(3).Reserved(4).Single(4).Flag(true).Flag(false);
  l.Single(5).Single(6).Single(7).Flag(true).Flag(false).Flag(true).Reserved(13);
  head(7);   // no block length, no block
  head(-1);  // likewise
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, SegmReadsEachTypeBlockAndFixesBlockLengths) {
  const SegmentChunk c = ExpectRewrite<SegmentChunk>("SEGM", SegmBody(kOdd), SegmBody(kNormal));
  ASSERT_EQ(c.Segments.size(), 7u);
  EXPECT_TRUE(c.SegmentsFlag);
  const auto& t1 = c.Segments[1].type1;
  EXPECT_EQ(t1.S5, 5.0f);
  EXPECT_EQ(t1.S8, 8.0f);
  EXPECT_EQ(t1.S11, 11.0f);
  EXPECT_EQ(t1.B3, 13);
  EXPECT_TRUE(t1.F1 && !t1.F2 && t1.F3);
  EXPECT_EQ(c.Segments[2].type2.B1, 21);
  EXPECT_EQ(c.Segments[3].type3.B1, 31);
  EXPECT_TRUE(!c.Segments[3].type3.F1 && c.Segments[3].type3.F2);
  const auto& t4 = c.Segments[4].type4;
  EXPECT_EQ(t4.S4, 4.0f);
  EXPECT_EQ(t4.S7, 7.0f);
  EXPECT_TRUE(t4.F1 && !t4.F2 && t4.F3 && !t4.F4 && t4.F5);
  EXPECT_EQ(c.Segments[5].segmentType, 7);

  const std::int64_t recordBytes[] = {37, 163, 73, 65, 87, 33, 33};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(SegmentRecordBytes(c.Segments[i].segmentType), recordBytes[i]);
  }
  EXPECT_EQ(OwnBytes(SegmentChunk{}), 41);
}

Bytes SuppBody(Style s) {
  return Layout(s).Long(0).Reserved(32).LongEither(5, 5).bytes();
}

Bytes FundBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(1);
  l.Flag(true)
      .Single(1.5f)
      .Flag(false)
      .Single(-2.5f)
      .Reserved(6)
      .Single(7)
      .Single(8)
      .Single(9)
      .Reserved(64);
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, SuppAndFund) {
  ExpectRewrite<SuppChunk>("SUPP", SuppBody(kOdd), SuppBody(kNormal));
  const FundChunk f = ExpectRewrite<FundChunk>("FUND", FundBody(kOdd), FundBody(kNormal));
  ASSERT_EQ(f.Entries.size(), 1u);
  EXPECT_TRUE(f.Entries[0].FlagA);
  EXPECT_FALSE(f.Entries[0].FlagB);
  EXPECT_EQ(f.Entries[0].ValueB, -2.5f);
  EXPECT_EQ(f.Entries[0].Point.z, 9.0f);
  EXPECT_EQ(OwnBytes(f), 132);
}

Bytes RascBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(3);
  l.Long(2).Long(10).Single(0.5f).Reserved(16).Long(-20).Single(1.5f).Reserved(16);
  l.Long(0);
  l.Long(-4);  // a negative count: no items, kept as stored
  l.Reserved(16).Long(0);
  return l.bytes();
}

Bytes FrenBody(Style s) {
  return Layout(s)
      .Long(0)
      .Reserved(16)
      .Long(1)
      .Single(1)
      .Single(2)
      .Single(3)
      .Reserved(16)
      .Reserved(16)
      .Long(0)
      .bytes();
}

Bytes TubeBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(1);
  l.Long(1).Long(2).Long(3).Reserved(4).Long(4).Long(5).Long(6).Reserved(4);
  l.Long(7).Long(8).Single(9.0f).Reserved(4);
  l.Reserved(16).Long(0);
  return l.bytes();
}

Bytes CatwBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(2);
  l.Long(1).Long(2).Long(3).Long(4).Long(5).Long(6).Long(5);
  for (std::uint8_t b = 1; b <= 5; ++b) l.Byte(s.normal ? 0 : b);  // the opaque block
  l.Long(7).Long(8).Long(9).Long(10).Long(11).Long(12).Long(0);
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, SupportTables) {
  const RascChunk r = ExpectRewrite<RascChunk>("RASC", RascBody(kOdd), RascBody(kNormal));
  ASSERT_EQ(r.Entries.size(), 3u);
  EXPECT_EQ(r.Entries[0].Items[1].IntValue, -20);
  EXPECT_TRUE(r.Entries[2].Items.empty());
  EXPECT_EQ(r.Entries[2].ItemCount, -4);

  const FrenChunk f = ExpectRewrite<FrenChunk>("FREN", FrenBody(kOdd), FrenBody(kNormal));
  EXPECT_EQ(OwnBytes(f), 68);

  const TubeChunk t = ExpectRewrite<TubeChunk>("TUBE", TubeBody(kOdd), TubeBody(kNormal));
  ASSERT_EQ(t.Entries.size(), 1u);
  EXPECT_EQ(t.Entries[0].A1, 1);
  EXPECT_EQ(t.Entries[0].A3, 2);  // stored second
  EXPECT_EQ(t.Entries[0].A2, 3);
  EXPECT_EQ(t.Entries[0].B3, 5);
  EXPECT_EQ(t.Entries[0].C3, 9.0f);

  const CatwChunk c = ExpectRewrite<CatwChunk>("CATW", CatwBody(kOdd), CatwBody(kNormal));
  ASSERT_EQ(c.Entries.size(), 2u);
  EXPECT_EQ(c.Entries[0].ExtraLength, 5);
  EXPECT_EQ(c.Entries[1].ValueA, 7);
}

Bytes ScenBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(1).Single(1).Single(2).Single(3).Long(-9).Single(4.5f).Reserved(44);
  l.Reserved(16).LongEither(1, 1);
  return l.bytes();
}

Bytes ScobBody(Style s) {
  Layout l(s);
  l.Long(0).Reserved(16).Long(2);
  l.Text("").Text("ab");
  for (int i = 1; i <= 15; ++i) l.Single(static_cast<float>(i));
  l.Reserved(20);
  l.Text("first").Text("second");
  for (int i = 1; i <= 15; ++i) l.Single(-static_cast<float>(i));
  l.Reserved(20);
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, ScenAndScob) {
  const ScenChunk scen = ExpectRewrite<ScenChunk>("SCEN", ScenBody(kOdd), ScenBody(kNormal));
  EXPECT_EQ(scen.Entries[0].Number, -9);
  EXPECT_EQ(scen.Entries[0].ValueA, 4.5f);

  const ScobChunk scob = ExpectRewrite<ScobChunk>("SCOB", ScobBody(kOdd), ScobBody(kNormal));
  ASSERT_EQ(scob.Entries.size(), 2u);
  const ScobEntry& e = scob.Entries[0];
  EXPECT_EQ(e.TextB, "");
  EXPECT_EQ(e.TextA, "ab");
  EXPECT_EQ(e.Row1.x, 1.0f);
  EXPECT_EQ(e.Row2.x, 5.0f);
  EXPECT_EQ(e.Row3.z, 11.0f);
  EXPECT_EQ(e.Column4.x, 4.0f);
  EXPECT_EQ(e.Column4.y, 8.0f);
  EXPECT_EQ(e.Column4.z, 12.0f);
  EXPECT_EQ(e.Extra.z, 15.0f);
  EXPECT_EQ(scob.Entries[1].TextB, "first");
}

Bytes TeraBody(Style s) {
  Layout l(s);
  l.Long(0).Long(2).Long(3).Single(1).Single(2).Text("").Single(3).Text("").Single(4);
  l.Flag(true).Reserved(4).Text("").Single(5).Byte(0x7E).Reserved(15);
  for (int i = 0; i < 6; ++i) l.Single(static_cast<float>(10 * i));
  l.Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, TeraGridIsRowByRow) {
  const TeraChunk t = ExpectRewrite<TeraChunk>("TERA", TeraBody(kOdd), TeraBody(kNormal));
  EXPECT_TRUE(t.TeraPresent);
  EXPECT_TRUE(t.Flag);
  EXPECT_EQ(t.ByteValue, 0x7E);
  EXPECT_EQ(OwnBytes(t), 105);
  ASSERT_EQ(t.Grid.size(), 6u);
  // Stored as (0,0), (1,0), (0,1), ...: the value at (column 1, row 2) is the sixth.
  EXPECT_EQ(t.Grid[2 * 2 + 1], 50.0f);
}

Bytes EnvcBody(Style s, std::int32_t oddLength) {
  Layout l(s);
  l.Long(0).Reserved(16).Text("sky").LongEither(oddLength, 0).Reserved(16).Long(0);
  return l.bytes();
}

TEST(ChunkRoundTrip, EnvcTextsOfZeroOrNegativeLengthAreEmpty) {
  for (std::int32_t length : {0, -1, -2147483647 - 1}) {
    const EnvcChunk e =
        ExpectRewrite<EnvcChunk>("ENVC", EnvcBody(kOdd, length), EnvcBody(kNormal, length));
    EXPECT_EQ(e.TextA, "sky");
    EXPECT_EQ(e.TextB, "");
  }
}

TEST(ChunkRoundTrip, EmptyTableChunksAre48Bytes) {
  const Bytes empty = ByteBuilder().Long(40).Fill(16, 0).Long(0).Fill(16, 0).Long(0).bytes();
  ExpectRewrite<FundChunk>("FUND", empty, empty);
  ExpectRewrite<RascChunk>("RASC", empty, empty);
  ExpectRewrite<FrenChunk>("FREN", empty, empty);
  ExpectRewrite<TubeChunk>("TUBE", empty, empty);
  ExpectRewrite<CatwChunk>("CATW", empty, empty);
  ExpectRewrite<ScobChunk>("SCOB", empty, empty);
  ExpectRewrite<VertexChunk>("BEZR", empty, empty);
}

// Fields whose value the file cannot hold: each must fail the chunk with a reason.
struct CorruptCase {
  const char* name;
  void (*read)(TrackReader&);
  Bytes body;
  const char* reasonPart;
};

template <typename Chunk>
void ReadInto(TrackReader& in) {
  Chunk chunk;
  ReadChunk(in, chunk);
}

TEST(ChunkRoundTrip, CorruptFieldsFailWithAReason) {
  const CorruptCase cases[] = {
      {"negative TRCK entries", ReadInto<TrackChunk>,
       ByteBuilder().Long(0).Long(0).Long(-1).Fill(60, 0).bytes(), "negative entry count -1"},
      {"negative segments", ReadInto<SegmentChunk>,
       ByteBuilder().Long(0).Long(-2).Fill(40, 0).bytes(), "negative segment count -2"},
      {"huge vertex count", ReadInto<VertexChunk>,
       ByteBuilder().Long(0).Fill(16, 0).Long(2000000000).Fill(20, 0).bytes(),
       "vertex count 2000000000"},
      {"negative CATW block", ReadInto<CatwChunk>,
       ByteBuilder().Long(0).Fill(16, 0).Long(1).Fill(24, 0).Long(-1).Fill(20, 0).bytes(),
       "negative block length -1"},
      {"CATW block past the end", ReadInto<CatwChunk>,
       ByteBuilder().Long(0).Fill(16, 0).Long(1).Fill(24, 0).Long(1000).Fill(20, 0).bytes(),
       "file ends inside XXXX at offset 52"},
      {"RASC items past the end", ReadInto<RascChunk>,
       ByteBuilder().Long(0).Fill(16, 0).Long(1).Long(2147483647).Fill(20, 0).bytes(),
       "item count 2147483647"},
      {"negative SCOB text", ReadInto<ScobChunk>,
       ByteBuilder().Long(0).Fill(16, 0).Long(1).Long(-3).Fill(100, 0).bytes(),
       "negative text length -3"},
      {"negative TERA columns", ReadInto<TeraChunk>,
       ByteBuilder().Long(0).Long(-1).Long(2).Fill(100, 0).bytes(),
       "negative grid column count -1"},
      {"TERA grid overflowing 64 bits", ReadInto<TeraChunk>,
       ByteBuilder().Long(0).Long(2147483647).Long(2147483647).Fill(100, 0).bytes(),
       "grid of 2147483647 x 2147483647 values runs past the end"},
      {"negative TERA text", ReadInto<TeraChunk>,
       ByteBuilder().Long(0).Long(0).Long(0).Fill(8, 0).Long(-8).Fill(100, 0).bytes(),
       "negative text length -8"},
  };
  for (const auto& c : cases) {
    TrackReader in{std::span(c.body)};
    in.EnterChunk("XXXX");
    c.read(in);
    EXPECT_TRUE(in.failed()) << c.name;
    EXPECT_NE(in.error().find(c.reasonPart), std::string::npos) << c.name << ": " << in.error();
  }
}

TEST(ChunkRoundTrip, TeraThatFailsIsNotPresent) {
  Bytes body = TeraBody(kNormal);
  body.resize(body.size() - 1);
  TeraChunk t;
  TrackReader in{std::span(body)};
  ReadChunk(in, t);
  EXPECT_TRUE(in.failed());
  EXPECT_FALSE(t.TeraPresent);
}

}  // namespace
}  // namespace qu
