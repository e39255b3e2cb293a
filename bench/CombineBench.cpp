// The merge over runs of increasing length of a smooth synthetic track.
#include <benchmark/benchmark.h>

#include "BezierPoint.h"
#include "CurveFit.h"
#include "SampleTracks.h"
#include "SegmentMerge.h"
#include "VectorMath.h"

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

// The fit alone, as the merge calls it, without the distance measurement the merge reports.
void BM_FitSegments(benchmark::State& state) {
  const int segments = static_cast<int>(state.range(0));
  const std::vector<qu::BezierVertex> v = qu::samples::MakeSmoothPath(segments + 1);
  std::vector<qu::Vector3> points;
  for (int i = 0; i < segments; ++i) {
    for (float t = 0.0f; t <= qu::kSampleLimit; t = t + qu::kSampleStep) {
      points.push_back(qu::BezierPoint(v[i].position, v[i].controlOut, v[i + 1].position,
                                       v[i + 1].controlIn, t));
    }
  }
  points.push_back(v[static_cast<std::size_t>(segments)].position);
  const qu::Vector3 start = qu::VecSub(v[0].controlOut, v[0].position);
  const qu::Vector3 end = qu::VecSub(v[static_cast<std::size_t>(segments)].controlIn,
                                     v[static_cast<std::size_t>(segments)].position);
  for (auto _ : state) {
    double tolerance = 0.0;
    benchmark::DoNotOptimize(qu::FitSegments(points, static_cast<std::int16_t>(points.size()),
                                             tolerance, start, end, 0));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}

}  // namespace

BENCHMARK(BM_FitSegments)->Arg(2)->Arg(100)->Arg(1000)->Arg(6553)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CombineSegments)
    ->Arg(2)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(6553)
    ->Unit(benchmark::kMicrosecond);
