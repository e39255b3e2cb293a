// The merge over runs of increasing length of a smooth synthetic track.
#include <benchmark/benchmark.h>

#include "SampleTracks.h"
#include "SegmentMerge.h"

namespace {

void BM_CombineSegments(benchmark::State& state) {
  const int segments = static_cast<int>(state.range(0));
  qu::VertexChunk original;
  original.Vertices = qu::samples::MakeSmoothPath(segments + 1);
  int samples = 0;
  for (auto _ : state) {
    state.PauseTiming();
    qu::VertexChunk chunk = original;
    state.ResumeTiming();
    const qu::CombineResult result = qu::CombineSegments(chunk, 0, segments - 1);
    if (!result.combined()) state.SkipWithError(result.reason.c_str());
    samples = result.sampleCount;
    benchmark::DoNotOptimize(chunk.Vertices.data());
  }
  state.SetItemsProcessed(state.iterations() * samples);
  state.counters["samples"] = samples;
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(samples),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_CombineSegments)
    ->Arg(2)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(6553)
    ->Unit(benchmark::kMicrosecond);
