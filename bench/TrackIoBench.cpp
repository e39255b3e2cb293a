// Load and save of a large synthetic track, beside a memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <memory>

#include "examples/SampleTracks.h"
#include "trackio/TrackFile.h"

namespace {

const qu::TrackBuffer& LargeFile() {
  static const qu::TrackBuffer bytes = [] {
    qu::TrackModel model = qu::samples::MakeSyntheticTrack({});
    qu::TrackBuffer out;
    if (!qu::SerializeTrack(model, out)) std::abort();
    return out;
  }();
  return bytes;
}

void BM_Load(benchmark::State& state) {
  const auto& bytes = LargeFile();
  for (auto _ : state) {
    qu::TrackModel model;
    if (!qu::ParseTrack(bytes, model)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(model.bezr.Vertices.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

// Loads with the allocator told to keep freed memory, so each load reuses the pages of the
// one before: the cost of parsing alone, as in a session that opens track after track.
// Registered last, because the allocator settings stay for the rest of the process.
void BM_LoadWarmHeap(benchmark::State& state) {
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  BM_Load(state);
}

void BM_Save(benchmark::State& state) {
  qu::TrackModel model;
  if (!qu::ParseTrack(LargeFile(), model)) std::abort();
  for (auto _ : state) {
    qu::TrackBuffer out;
    if (!qu::SerializeTrack(model, out)) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * LargeFile().size()));
}

// Saving again into the buffer of the previous save, as the window does: the memory is
// already the process's, so this is the cost of formatting alone.
void BM_SaveReusingTheBuffer(benchmark::State& state) {
  qu::TrackModel model;
  if (!qu::ParseTrack(LargeFile(), model)) std::abort();
  qu::TrackBuffer out;
  for (auto _ : state) {
    if (!qu::SerializeTrack(model, out)) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * LargeFile().size()));
}

// Hands each buffer load on without keeping it: what a save costs before the system's write.
class DiscardingSink : public qu::ByteSink {
 public:
  bool Put(std::span<const std::uint8_t> bytes, std::string&) override {
    benchmark::DoNotOptimize(bytes.data());
    return true;
  }
};

// Gives the file's bytes in order, copied as a read from the page cache would copy them.
class MemorySource : public qu::ByteSource {
 public:
  explicit MemorySource(const qu::TrackBuffer& bytes) : bytes_(bytes) {}
  bool Fill(std::span<std::uint8_t> into, std::string&) override {
    std::memcpy(into.data(), bytes_.data() + done_, into.size());
    done_ += into.size();
    return true;
  }

 private:
  const qu::TrackBuffer& bytes_;
  std::size_t done_ = 0;
};

// The save as the program makes it: sizes first, then the chunks stream through one fixed
// buffer (kept from save to save) towards the file.
void BM_SaveStreaming(benchmark::State& state) {
  qu::TrackModel model;
  if (!qu::ParseTrack(LargeFile(), model)) std::abort();
  qu::TrackBuffer buffer(qu::TrackFiles::kStreamBytes);
  for (auto _ : state) {
    if (!qu::PrepareSave(model)) state.SkipWithError("save failed");
    DiscardingSink sink;
    qu::TrackWriter out(buffer, sink);
    qu::WriteTrack(out, model);
    std::string error;
    out.Finish(buffer, error);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * LargeFile().size()));
}

// The load as the program makes it: the file passes through one fixed window into a fresh
// model.
void BM_LoadStreaming(benchmark::State& state) {
  const auto& bytes = LargeFile();
  qu::TrackBuffer window(qu::TrackFiles::kStreamBytes);
  for (auto _ : state) {
    qu::TrackModel model;
    MemorySource source(bytes);
    qu::TrackReader in(static_cast<std::int64_t>(bytes.size()), source, window);
    if (!qu::ParseTrack(in, model)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(model.bezr.Vertices.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Memcpy(benchmark::State& state) {
  const auto& bytes = LargeFile();
  std::vector<std::uint8_t> copy(bytes.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// The same copy into freshly allocated memory, as every load and save must use: the pages
// are new to the process each time, so this includes the cost of the operating system
// handing them over.
void BM_MemcpyToNewBuffer(benchmark::State& state) {
  const auto& bytes = LargeFile();
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(copy.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(BM_MemcpyToNewBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveReusingTheBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadStreaming)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveStreaming)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadWarmHeap)->Unit(benchmark::kMillisecond)->UseRealTime();
