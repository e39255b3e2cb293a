// The merge over runs of increasing length of a smooth synthetic track.
// QU_VECTOR_PATH=baseline, avx2 or avx512 runs the sample loops in that instruction set
// (where the processor has it), for comparing them; otherwise the widest one runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "examples/SampleTracks.h"
#include "geometry/BezierPoint.h"
#include "geometry/CurveFit.h"
#include "geometry/FitColumns.h"
#include "geometry/SampleSchedule.h"
#include "geometry/SegmentMerge.h"
#include "geometry/VectorMath.h"
#include "geometry/VectorPath.h"

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
    qu::ForEachSampleParameter([&](float t) {
      points.push_back(qu::BezierPoint(v[i].position, v[i].controlOut, v[i + 1].position,
                                       v[i + 1].controlIn, t));
    });
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

namespace {

// Applies QU_VECTOR_PATH; false, with a message, for a name it does not know.
bool ChooseVectorPath() {
  const char* name = std::getenv("QU_VECTOR_PATH");
  if (name == nullptr) return true;
  const std::string_view wanted = name;
  for (auto [path, label] :
       {std::pair{qu::VectorPath::kBaseline, "baseline"}, std::pair{qu::VectorPath::kAvx2, "avx2"},
        std::pair{qu::VectorPath::kAvx512, "avx512"}}) {
    if (wanted != label) continue;
    if (!qu::VectorPathAvailable(path)) {
      std::fprintf(stderr, "this processor has no %s\n", label);
      return false;
    }
    qu::UseVectorPath(path);
    return true;
  }
  std::fprintf(stderr, "QU_VECTOR_PATH must be baseline, avx2 or avx512\n");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!ChooseVectorPath()) return 2;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
