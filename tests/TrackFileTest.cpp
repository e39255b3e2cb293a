// The container: how the chunk counts drive loading, the fixed save tree, and bad files.
#include <gtest/gtest.h>

#include "examples/SampleTracks.h"
#include "tests/TrackBytes.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

using test::ByteBuilder;
using test::Bytes;

class TrackFileTest : public ::testing::Test {
 protected:
  TrackModel sample_ = samples::MakeSampleTrack();
  Bytes canonical_ = test::Serialize(sample_);
  test::ChunkPieces pieces_ = test::CutIntoPieces(canonical_);

  // A file whose top-level chunks are `tags`, each without children, in this order.
  Bytes FlatFile(const std::vector<std::string>& tags, const Bytes& tail = {}) const {
    ByteBuilder b;
    b.Append(test::RootHeader(static_cast<std::int32_t>(tags.size())));
    for (const auto& tag : tags) b.Append(pieces_.Get(tag));
    b.Append(tail);
    return b.bytes();
  }

  // Loads `file`, saves it, and returns the saved bytes.
  Bytes Normalised(const Bytes& file) const {
    TrackModel model;
    const Status status = ParseTrack(file, model);
    EXPECT_TRUE(status.ok()) << status.reason();
    return test::Serialize(model);
  }
};

TEST_F(TrackFileTest, SavedFileHasTheFixedTreeAndConsistentSizes) {
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(canonical_, model, &trace).ok());
  const std::vector<std::string> order = {"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC",
                                          "FREN", "TUBE", "CATW", "SCEN", "SCOB", "TERA", "ENVC"};
  ASSERT_EQ(trace.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(trace[i].tag, order[i]);

  EXPECT_EQ(test::BigEndianAt(canonical_, 4), static_cast<std::int32_t>(canonical_.size()) - 8);
  EXPECT_EQ(model.header.ChildCount, 4);
  // Every size reaches exactly to the end of the chunk's last descendant.
  auto end = [&](std::size_t i) { return trace[i].offset + 8 + trace[i].size; };
  auto index = [&](const std::string& tag) {
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), tag) - order.begin());
  };
  EXPECT_EQ(end(index("TRCK")), end(index("CATW")));
  EXPECT_EQ(end(index("SUPP")), end(index("CATW")));
  EXPECT_EQ(end(index("SCEN")), end(index("SCOB")));
  EXPECT_EQ(end(index("ENVC")), static_cast<std::int64_t>(canonical_.size()));
  for (std::size_t i = 0; i + 1 < trace.size(); ++i) {
    if (trace[i].childCount == 0) {
      EXPECT_EQ(end(i), trace[i + 1].offset) << trace[i].tag;
    }
  }
}

TEST_F(TrackFileTest, LoadAndSaveReproducesASavedFileAndSavingTwiceIsStable) {
  TrackModel model;
  ASSERT_TRUE(ParseTrack(canonical_, model).ok());
  EXPECT_EQ(test::Serialize(model), canonical_);
  EXPECT_EQ(test::Serialize(model), canonical_);
}

TEST_F(TrackFileTest, ChunkOrderAndNestingDoNotMatter) {
  const std::vector<std::vector<std::string>> orders = {
      {"ENVC", "SCEN", "SCOB", "TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC", "FREN",
       "TUBE", "CATW", "TERA"},
      {"TERA", "CATW", "TUBE", "FREN", "RASC", "FUND", "SUPP", "SEGM", "BEZR", "INFO", "TRCK",
       "SCOB", "SCEN", "ENVC"},
  };
  for (const auto& order : orders) EXPECT_EQ(Normalised(FlatFile(order)), canonical_);

  // Everything nested under TRCK, two levels deeper than usual.
  Bytes trck = pieces_.Get("TRCK");
  test::PutBigEndian(trck, trck.size() - 4, 1);
  Bytes supp = pieces_.Get("SUPP");
  test::PutBigEndian(supp, supp.size() - 4, 12);
  ByteBuilder nested;
  nested.Append(test::RootHeader(1)).Append(trck).Append(supp);
  for (const char* tag : {"INFO", "BEZR", "SEGM", "FUND", "RASC", "FREN", "TUBE", "CATW", "SCEN",
                          "SCOB", "TERA", "ENVC"}) {
    nested.Append(pieces_.Get(tag));
  }
  EXPECT_EQ(Normalised(nested.bytes()), canonical_);
}

TEST_F(TrackFileTest, TagsAreRecognisedInAnyCase) {
  Bytes file = FlatFile({"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC", "FREN", "TUBE",
                         "CATW", "SCEN", "SCOB", "TERA", "ENVC"});
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(file, model, &trace).ok());
  for (std::size_t i = 0; i < 4; ++i) file[i] = static_cast<std::uint8_t>(std::tolower(file[i]));
  for (const auto& chunk : trace) {
    for (std::size_t i = 0; i < 4; ++i) {
      auto& c = file[static_cast<std::size_t>(chunk.offset) + i];
      c = static_cast<std::uint8_t>(std::tolower(c));
    }
  }
  EXPECT_EQ(Normalised(file), canonical_);
}

TEST_F(TrackFileTest, ALaterChunkOfTheSameTypeReplacesTheFirst) {
  TrackModel other = sample_;
  other.fund.Entries.resize(1);
  other.fund.Entries[0].ValueA = 42.0f;
  const Bytes otherFund = test::CutIntoPieces(test::Serialize(other)).Get("FUND");
  Bytes file = FlatFile({"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC", "FREN", "TUBE",
                         "CATW", "SCEN", "SCOB", "TERA", "ENVC"},
                        otherFund);
  test::PutBigEndian(file, 28, 15);
  EXPECT_EQ(Normalised(file), test::Serialize(other));
}

TEST_F(TrackFileTest, UnrecognisedChunksAreSkippedWithTheirChildren) {
  // An unknown chunk whose size covers its own field and two child chunks. Its children are
  // not counted: the skip passes over them.
  const Bytes children =
      ByteBuilder().Append(pieces_.Get("BEZR")).Append(pieces_.Get("ENVC")).bytes();
  const Bytes unknown = ByteBuilder()
                            .Tag("XTRA")
                            .Long(static_cast<std::int32_t>(8 + children.size()))
                            .Long(7)
                            .Long(2)
                            .Append(children)
                            .bytes();
  Bytes file = FlatFile({"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC", "FREN", "TUBE",
                         "CATW", "SCEN", "SCOB", "TERA", "ENVC"});
  // Insert it as the first top-level chunk and count it.
  file.insert(file.begin() + 32, unknown.begin(), unknown.end());
  test::PutBigEndian(file, 28, 15);
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(file, model, &trace).ok());
  EXPECT_EQ(trace.front().tag, "XTRA");
  EXPECT_FALSE(trace.front().recognised);
  EXPECT_EQ(trace[1].offset, 32 + static_cast<std::int64_t>(unknown.size()));
  EXPECT_EQ(test::Serialize(model), canonical_);
}

TEST_F(TrackFileTest, UnrecognisedChunkSizesAreChecked) {
  for (std::int32_t size : {-1, 1000000}) {
    const Bytes file =
        ByteBuilder().Append(test::RootHeader(1)).Tag("XTRA").Long(size).Fill(8, 0).bytes();
    TrackModel model;
    const Status status = ParseTrack(file, model);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.reason().find("in unrecognised chunk 'XTRA' at offset 36"), std::string::npos)
        << status.reason();
  }
}

TEST_F(TrackFileTest, BytesAfterTheCountedChunksAreIgnored) {
  Bytes file = canonical_;
  file.insert(file.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(Normalised(file), canonical_);
}

TEST_F(TrackFileTest, TerrainIsWrittenExactlyWhenItWasRead) {
  const Bytes without = Normalised(FlatFile({"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC",
                                             "FREN", "TUBE", "CATW", "SCEN", "SCOB", "ENVC"}));
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(without, model, &trace).ok());
  EXPECT_FALSE(model.tera.TeraPresent);
  EXPECT_EQ(model.header.ChildCount, 3);
  EXPECT_EQ(trace.back().tag, "ENVC");
  EXPECT_EQ(trace.size(), 13u);

  TrackModel expected = sample_;
  expected.tera = TeraChunk{};
  EXPECT_EQ(without, test::Serialize(expected));
}

TEST_F(TrackFileTest, MissingChunksAreWrittenEmpty) {
  TrackModel model;
  ASSERT_TRUE(ParseTrack(FlatFile({"BEZR"}), model).ok());
  TrackModel expected;
  expected.bezr = sample_.bezr;
  EXPECT_EQ(test::Serialize(model), test::Serialize(expected));
  // An empty track: header, TRCK with INFO, BEZR, SEGM and SUPP with its five children,
  // SCEN with SCOB, ENVC.
  const Bytes empty = test::Serialize(TrackModel{});
  EXPECT_EQ(empty.size(), 32u + (72 + 32 + 48 + 49 + 44 + 5 * 48) + (48 + 48) + 52);
}

TEST_F(TrackFileTest, ChildCountsSteerTheLoop) {
  // A top-level count of 0 or less reads nothing.
  for (std::int32_t count : {0, -5}) {
    TrackModel model;
    model.info.InfoText = "before";
    Bytes file = canonical_;
    test::PutBigEndian(file, 28, count);
    ASSERT_TRUE(ParseTrack(file, model).ok());
    EXPECT_EQ(model.info.InfoText, "");
    EXPECT_EQ(model.header.ChildCount, count);
  }
  // A negative child count ends the load early: TRCK's -3 cancels its own and two more.
  Bytes file = FlatFile({"TRCK", "INFO", "BEZR", "SEGM"});
  test::PutBigEndian(file, 32 + pieces_.Get("TRCK").size() - 4, -3);
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(file, model, &trace).ok());
  EXPECT_EQ(trace.size(), 1u);
  EXPECT_TRUE(model.bezr.Vertices.empty());
}

TEST_F(TrackFileTest, ChildCountsBeyondTheLimitFail) {
  Bytes file = FlatFile({"INFO"});
  test::PutBigEndian(file, file.size() - 4, 2147483647);
  TrackModel model;
  const Status status = ParseTrack(file, model);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.reason(),
            "child count 2147483647 leaves more than 2147483647 chunks to read in INFO at offset " +
                std::to_string(file.size() - 4));
}

TEST_F(TrackFileTest, EveryTruncationFailsCleanlyAndLeavesTheModelAlone) {
  TrackModel model = sample_;
  model.info.InfoText = "untouched";
  for (std::size_t length = 0; length < canonical_.size(); ++length) {
    const std::span<const std::uint8_t> prefix(canonical_.data(), length);
    const Status status = ParseTrack(prefix, model);
    ASSERT_FALSE(status.ok()) << length;
    if (length >= 4) {
      EXPECT_NE(status.reason().find("offset"), std::string::npos) << status.reason();
    }
  }
  EXPECT_EQ(model.info.InfoText, "untouched");
  EXPECT_EQ(model.bezr.Vertices.size(), sample_.bezr.Vertices.size());
}

TEST_F(TrackFileTest, ReasonsNameTheCheckTheChunkAndTheOffset) {
  TrackModel model;
  ChunkTrace trace;
  ASSERT_TRUE(ParseTrack(canonical_, model, &trace).ok());
  const auto bezr =
      std::find_if(trace.begin(), trace.end(), [](auto& c) { return c.tag == "BEZR"; });
  const auto fund =
      std::find_if(trace.begin(), trace.end(), [](auto& c) { return c.tag == "FUND"; });

  // Cut inside the vertex table, the count check reports it; after the table, the read does.
  const std::int64_t tableEnd = bezr->offset + 28 + 60 * 45;
  Bytes cut(canonical_.begin(), canonical_.begin() + bezr->offset + 100);
  EXPECT_EQ(ParseTrack(cut, model).reason(),
            "vertex count 45 needs at least 2700 bytes but only 72 are left in BEZR at offset " +
                std::to_string(bezr->offset + 24));
  cut.assign(canonical_.begin(), canonical_.begin() + tableEnd + 10);
  EXPECT_EQ(ParseTrack(cut, model).reason(), "file ends inside BEZR at offset " +
                                                 std::to_string(tableEnd) +
                                                 " (16 bytes needed, 10 left)");

  Bytes negative = canonical_;
  const auto countOffset = static_cast<std::size_t>(fund->offset + 24);
  test::PutBigEndian(negative, countOffset, -3);
  EXPECT_EQ(ParseTrack(negative, model).reason(),
            "negative entry count -3 in FUND at offset " + std::to_string(countOffset));

  const Bytes notATrack = ByteBuilder().Tag("RIFF").Fill(40, 0).bytes();
  EXPECT_EQ(ParseTrack(notATrack, model).reason(),
            "not a track file: it begins with 'RIFF', not 'QUEN'");
}

TEST_F(TrackFileTest, HugeCountsInSmallFilesFailBeforeAllocating) {
  Bytes file = FlatFile({"BEZR"});
  test::PutBigEndian(file, 32 + 24, 2000000000);
  TrackModel model;
  const Status status = ParseTrack(file, model);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason().find("vertex count 2000000000 needs at least 120000000000 bytes"),
            std::string::npos);
}

TEST(TrackPaths, ExtensionRules) {
  struct Case {
    const char* path;
    bool loads;
    const char* savedAs;
  };
  const Case cases[] = {
      {"track.qutrack", true, "track.qutrack"},
      {"track.QUTRACK", true, "track.QUTRACK"},
      {"track.Qutrack", true, "track.Qutrack"},
      {"track", false, "track.qutrack"},
      {"track.txt", false, "track.txt.qutrack"},
      {"track.qutrack.bak", false, "track.qutrack.bak.qutrack"},
      {"qutrack", false, "qutrack.qutrack"},
      {".qutrack", true, ".qutrack"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasTrackExtension(c.path), c.loads) << c.path;
    EXPECT_EQ(SavePathFor(c.path), c.savedAs) << c.path;
  }
}

}  // namespace
}  // namespace qu
