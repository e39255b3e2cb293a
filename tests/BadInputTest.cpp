// Thousands of malformed files made from valid ones: each must fail with a reason that names
// the chunk and the offset, or load; and no load of these small files may allocate more than
// a few megabytes, whatever its counts claim.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <regex>

#include "examples/SampleTracks.h"
#include "tests/TrackBytes.h"

namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

std::size_t UsableSize(void* p) {
#ifdef _WIN32
  return _msize(p);
#else
  return malloc_usable_size(p);
#endif
}

void Count(void* p, bool allocated) {
  const auto bytes = static_cast<std::int64_t>(UsableSize(p));
  const std::int64_t now = allocated ? (liveBytes += bytes) : (liveBytes -= bytes);
  std::int64_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
}

void* Allocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  Count(p, true);
  return p;
}

void Release(void* p) noexcept {
  if (!p) return;
  Count(p, false);
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}

namespace qu {
namespace {

using test::Bytes;

struct Tally {
  int files = 0;
  int failed = 0;
  int loaded = 0;
  std::int64_t worstPeak = 0;
};

// The offsets of every count, length, dimension and child-count field of a valid file.
std::vector<std::size_t> CountFieldOffsets(const Bytes& file) {
  TrackModel model;
  ChunkTrace trace;
  EXPECT_TRUE(ParseTrack(file, model, &trace).ok());
  std::vector<std::size_t> offsets = {28};  // the top-level count
  for (std::size_t i = 0; i < trace.size(); ++i) {
    for (std::int64_t at : trace[i].countFields) offsets.push_back(static_cast<std::size_t>(at));
    const std::int64_t end = trace[i].childCount > 0 && i + 1 < trace.size()
                                 ? trace[i + 1].offset
                                 : trace[i].offset + 8 + trace[i].size;
    offsets.push_back(static_cast<std::size_t>(end - 4));
  }
  return offsets;
}

void Check(const Bytes& file, Tally& tally) {
  static const std::regex namesChunkAndOffset(
      "(in|inside) ([A-Z]{4}|unrecognised chunk '[^']*') at offset [0-9]+|^file ends at offset "
      "[0-9]+|^not a track file");
  TrackModel model;
  const std::int64_t before = liveBytes.load();
  peakBytes = before;
  const Status status = ParseTrack(file, model);
  tally.worstPeak = std::max(tally.worstPeak, peakBytes.load() - before);
  ++tally.files;
  if (status.ok()) {
    ++tally.loaded;
    return;
  }
  ++tally.failed;
  EXPECT_TRUE(std::regex_search(status.reason(), namesChunkAndOffset)) << status.reason();
}

std::vector<Bytes> ValidFiles() {
  TrackModel noTerrain = samples::MakeSampleTrack();
  noTerrain.tera = TeraChunk{};
  TrackModel small = samples::MakeSampleTrack();
  small.bezr.Vertices.resize(4);
  small.segm.Segments.resize(3);
  return {test::Serialize(samples::MakeSampleTrack()), test::Serialize(TrackModel{}),
          test::Serialize(noTerrain), test::Serialize(small)};
}

TEST(BadInput, TruncationsAndAbsurdCountsFailCleanlyWithinBoundedMemory) {
  Tally truncations, counts;
  for (const Bytes& valid : ValidFiles()) {
    for (std::size_t length = 0; length < valid.size(); ++length) {
      Check(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length)), truncations);
    }
    for (std::size_t offset : CountFieldOffsets(valid)) {
      const auto pastTheEnd = static_cast<std::int32_t>(valid.size() - offset - 4 + 1);
      for (std::int32_t value : {-1, 2147483647, pastTheEnd}) {
        Bytes file = valid;
        test::PutBigEndian(file, offset, value);
        Check(file, counts);
      }
    }
  }
  EXPECT_EQ(truncations.failed, truncations.files);  // a cut file never loads
  EXPECT_GT(counts.failed, counts.files / 2);
  // Files of at most 9 KB: nothing may allocate more than 4 MB on their behalf.
  EXPECT_LT(truncations.worstPeak, 4 << 20);
  EXPECT_LT(counts.worstPeak, 4 << 20);
  std::cout << "truncated files: " << truncations.files << ", failed " << truncations.failed
            << ", largest allocation peak " << truncations.worstPeak << " bytes\n"
            << "files with a count, length or dimension of -1, 2^31-1 or past the end: "
            << counts.files << ", failed " << counts.failed << ", loaded " << counts.loaded
            << ", largest allocation peak " << counts.worstPeak << " bytes\n";
}

}  // namespace
}  // namespace qu
