#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "examples/SampleTracks.h"
#include "tests/TrackBytes.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackBuffer.h"

namespace qu {
namespace {

using test::Bytes;

TrackReader ReaderOver(const Bytes& bytes) {
  return TrackReader(std::span(bytes));
}

struct LongCase {
  Bytes bytes;
  std::int32_t value;
};

TEST(TrackBuffer, LongsAreBigEndianTwosComplement) {
  const LongCase cases[] = {{{0x00, 0x00, 0x01, 0x00}, 256},
                            {{0xFF, 0xFF, 0xFF, 0xFE}, -2},
                            {{0x7F, 0xFF, 0xFF, 0xFF}, 2147483647},
                            {{0x80, 0x00, 0x00, 0x00}, -2147483647 - 1}};
  for (const auto& c : cases) {
    TrackReader in = ReaderOver(c.bytes);
    EXPECT_EQ(in.ReadLong(), c.value);
    EXPECT_EQ(in.cursor(), 4);
    TrackWriter out;
    out.Long(c.value);
    EXPECT_EQ(out.Take(), c.bytes);
  }
}

TEST(TrackBuffer, SinglesKeepEveryBitPattern) {
  // 1.0, -2.0, negative zero, the smallest denormal, a signalling NaN with a payload,
  // a quiet NaN with the sign bit set, infinity.
  const std::uint32_t patterns[] = {0x3F800000, 0xC0000000, 0x80000000, 0x00000001,
                                    0x7FA00001, 0xFFC12345, 0x7F800000};
  for (std::uint32_t pattern : patterns) {
    const Bytes bytes = test::ByteBuilder().Raw32(pattern).bytes();
    TrackReader in = ReaderOver(bytes);
    const float value = in.ReadSingle();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(value), pattern);
    TrackWriter out;
    out.Single(value);
    EXPECT_EQ(out.Take(), bytes) << std::hex << pattern;
  }
  TrackWriter out;
  out.Single(1.0f);
  EXPECT_EQ(out.Take(), (Bytes{0x3F, 0x80, 0x00, 0x00}));
}

// Runs are converted in blocks of eight words and a remainder: every length around a block
// must read and write the same bits as single fields do.
TEST(TrackBuffer, RunsOfSinglesMatchSingleFieldsAtEveryLength) {
  for (std::size_t length = 0; length <= 19; ++length) {
    test::ByteBuilder builder;
    for (std::size_t i = 0; i < length; ++i) {
      builder.Raw32(0x7FA00001u + 0x01020304u * static_cast<std::uint32_t>(i));
    }
    const Bytes bytes = builder.bytes();
    std::vector<float> run;
    TrackReader in = ReaderOver(bytes);
    in.Singles(run, static_cast<std::int64_t>(length));
    ASSERT_EQ(run.size(), length);
    TrackReader one = ReaderOver(bytes);
    for (std::size_t i = 0; i < length; ++i) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(run[i]),
                std::bit_cast<std::uint32_t>(one.ReadSingle()))
          << length << " values, value " << i;
    }
    TrackWriter out;
    out.Singles(run);
    EXPECT_EQ(out.Take(), bytes) << length << " values";
  }
}

TEST(TrackBuffer, ColoursIgnoreAndZeroTheirFirstByte) {
  const Bytes stored = {0xFF, 0x12, 0x34, 0x56};
  TrackReader in = ReaderOver(stored);
  EXPECT_EQ(in.ReadColor(), 1193046);
  EXPECT_EQ(in.cursor(), 4);

  TrackWriter out;
  out.Color(0x7F123456);
  EXPECT_EQ(out.Take(), (Bytes{0x00, 0x12, 0x34, 0x56}));
}

TEST(TrackBuffer, TagsReadInUpperCaseAndWriteUnchanged) {
  const Bytes stored = {0x74, 0x72, 0x63, 0x6B};
  TrackReader in = ReaderOver(stored);
  EXPECT_EQ(in.ReadTag(), "TRCK");

  TrackWriter out;
  out.WriteTag("INFO");
  out.Long(5);
  out.WriteZeros(2);
  EXPECT_EQ(out.cursor(), 10u);
  EXPECT_EQ(out.Take(), (Bytes{0x49, 0x4E, 0x46, 0x4F, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00}));
}

TEST(TrackBuffer, BooleansWriteAs255AndBytesAsTheyAre) {
  TrackWriter out;
  out.Bool(true);
  out.Bool(false);
  out.Byte(1);
  out.WriteString("");
  out.WriteZeros(0);
  EXPECT_EQ(out.Take(), (Bytes{0xFF, 0x00, 0x01}));
}

TEST(TrackBuffer, StringsAreRawBytes) {
  const Bytes stored = {0x41, 0x42, 0x43, 0xE9, 0x00};
  TrackReader in = ReaderOver(stored);
  EXPECT_EQ(in.ReadString(3), "ABC");
  EXPECT_EQ(in.ReadString(2), std::string("\xE9\0", 2));
  EXPECT_EQ(in.ReadString(0), "");
  EXPECT_FALSE(in.failed());
}

TEST(TrackBuffer, AReadPastTheEndFailsOnceAndSticks) {
  const Bytes stored = {0x00, 0x00, 0x00, 0x07, 0xAA, 0xBB};
  TrackReader in = ReaderOver(stored);
  in.EnterChunk("BEZR");
  EXPECT_EQ(in.ReadLong(), 7);
  EXPECT_EQ(in.ReadLong(), 0);
  EXPECT_EQ(in.error(), "file ends inside BEZR at offset 4 (4 bytes needed, 2 left)");
  // Nothing moves once failed, and the first reason is kept.
  EXPECT_EQ(in.ReadByte(), 0);
  in.Fail("something else", 0);
  EXPECT_EQ(in.cursor(), 4);
  EXPECT_EQ(in.error(), "file ends inside BEZR at offset 4 (4 bytes needed, 2 left)");
}

TEST(TrackBuffer, CountsAreCheckedAgainstTheBytesLeft) {
  struct Case {
    std::int32_t count;
    const char* error;  // empty when the count is accepted
  };
  const Case cases[] = {
      {-3, "negative entry count -3 in FUND at offset 0"},
      {2000000000,
       "entry count 2000000000 needs at least 184000000000 bytes but only 92 are left "
       "in FUND at offset 0"},
      {2, "entry count 2 needs at least 184 bytes but only 92 are left in FUND at offset 0"},
      {1, ""},
  };
  for (const auto& c : cases) {
    const Bytes bytes = test::ByteBuilder().Long(c.count).Fill(92, 0).bytes();
    TrackReader in = ReaderOver(bytes);
    in.EnterChunk("FUND");
    const std::int32_t read = in.ReadCount(92, "entry count");
    EXPECT_EQ(in.error(), c.error) << c.count;
    EXPECT_EQ(read, *c.error ? 0 : c.count);
  }
}

// A file of a few dozen windows, with runs, texts and records of every kind.
Bytes MediumFile() {
  return test::Serialize(samples::MakeSyntheticTrack({300, 200, 37, 23, 150}));
}

class PiecesSink : public ByteSink {
 public:
  bool Put(std::span<const std::uint8_t> bytes, std::string&) override {
    all.insert(all.end(), bytes.begin(), bytes.end());
    ++puts;
    return true;
  }
  Bytes all;
  int puts = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(const Bytes& bytes) : bytes_(bytes) {}
  bool Fill(std::span<std::uint8_t> into, std::string&) override {
    std::memcpy(into.data(), bytes_.data() + done_, into.size());
    done_ += into.size();
    return true;
  }

 private:
  const Bytes& bytes_;
  std::size_t done_ = 0;
};

// Through the smallest window and buffer, boundaries fall inside fields, texts, runs and
// records all over the file: the bytes written and every reason a cut file gives must be
// those of the whole-buffer reader and writer.
TEST(TrackBuffer, StreamingThroughASmallBufferChangesNothing) {
  const Bytes file = MediumFile();
  TrackModel model;
  ASSERT_TRUE(ParseTrack(file, model).ok());
  ASSERT_TRUE(PrepareSave(model).ok());
  TrackBuffer buffer;
  PiecesSink sink;
  TrackWriter out(buffer, sink);
  WriteTrack(out, model);
  std::string error;
  EXPECT_TRUE(out.Finish(buffer, error));
  EXPECT_EQ(sink.all, file);
  EXPECT_GT(sink.puts, 10);

  for (std::size_t length = file.size(); length > 0; length -= std::min<std::size_t>(length, 97)) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    TrackModel whole, streamed;
    const Status expected = ParseTrack(cut, whole);
    TrackBuffer window;
    MemorySource source(cut);
    TrackReader in(static_cast<std::int64_t>(cut.size()), source, window);
    const Status got = ParseTrack(in, streamed);
    ASSERT_EQ(got.reason(), expected.reason()) << length;
    if (got.ok()) {
      EXPECT_EQ(test::Serialize(streamed), test::Serialize(whole));
    }
  }
}

// The file layer's read steps, made to fail part-way through a load.
class ShrinkingOps : public FileOps {
 public:
  explicit ShrinkingOps(std::error_code failure) : failure_(failure) {}
  std::error_code Read(FileHandle file, std::uint8_t* data, std::size_t size,
                       std::size_t& got) override {
    if (served_ >= 5000) {
      got = 0;  // the end of the file, or a failing device
      return failure_;
    }
    const std::error_code error = FileOps::Read(file, data, std::min<std::size_t>(size, 5000), got);
    served_ += got;
    return error;
  }

 private:
  std::error_code failure_;
  std::size_t served_ = 0;
};

TEST(TrackBuffer, AFileThatChangesWhileItIsReadFailsTheLoadAndChangesNothing) {
  test::TempFolder folder;
  const std::string path = folder.File("t.qutrack");
  test::WriteBytes(path, MediumFile());
  const struct {
    std::error_code failure;
    std::string reason;
  } cases[] = {
      {{}, "'" + path + "' became shorter while it was read"},
      {std::make_error_code(std::errc::io_error), "cannot read '" + path + "': input/output error"},
  };
  for (const auto& c : cases) {
    ShrinkingOps ops(c.failure);
    TrackModel model = samples::MakeSampleTrack();
    TrackBuffer window;
    const Status status = ReadFile(
        path,
        [&](std::int64_t size, ByteSource& source) {
          TrackReader in(size, source, window);
          return ParseTrack(in, model);
        },
        ops);
    EXPECT_EQ(status.reason(), c.reason);
    EXPECT_EQ(test::Serialize(model), test::Serialize(samples::MakeSampleTrack()));
  }
}

}  // namespace
}  // namespace qu
