// Load and save of a large synthetic track, beside a memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <memory>

#include "SampleTracks.h"
#include "TrackFile.h"

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
BENCHMARK(BM_LoadWarmHeap)->Unit(benchmark::kMillisecond)->UseRealTime();
