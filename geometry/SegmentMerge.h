#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/SampleSchedule.h"
#include "geometry/SegmentRun.h"
#include "trackio/VertexChunks.h"

namespace qu {

// The longest run one combine takes: the fit counts its samples in 16 bits, and a run gives
// kSamplesPerSegment samples for each segment and one for its end point.
inline constexpr int kMaxCombinedSegments = (INT16_MAX - 1) / kSamplesPerSegment;

enum class CombineRefusal {
  kNone,
  kEmptyRun,       // fewer than 1 segment
  kNegativeFirst,  // first < 0
  kBeyondTrack,    // vertex first + count does not exist
  kTooLong,        // more than kMaxCombinedSegments segments
  kNotFinite,      // a point of the run, or the fitted result, is not a finite number
};

struct CombineResult {
  CombineRefusal refusal = CombineRefusal::kNone;
  std::string reason;         // empty when combined
  double maxDeviation = 0.0;  // largest distance between a sample and the fitted cubic
  double fitError = 0.0;      // the fit's own measure: MaxDeviation of its last pass
  int sampleCount = 0;

  bool combined() const { return refusal == CombineRefusal::kNone; }
};

// The refusal a combine of `run` would give on a track with these vertices, or a result
// without one, without fitting anything. The run's last segment, first + count − 1, is
// reckoned in 64 bits, so a run that would end past the largest int is refused as reaching
// past the track, its true first segment and count named in the reason; a run this accepts
// has a last segment that fits an int.
CombineResult CheckCombineRun(std::span<const BezierVertex> vertices, const SegmentRun& run);

// The combine: checks `run` as CheckCombineRun does, once, and when it passes fits one cubic
// through the run's segments, the directions at both ends kept, and writes its inner control
// points to controlOut of vertex first and controlIn of vertex first + count. Nothing else
// changes; a refused run leaves the table untouched.
CombineResult CombineRun(VertexChunk& chunk, const SegmentRun& run);

// CombineRun for segments first … last, the run named by its two ends. Refuses, leaving the
// table untouched, when the run is empty, starts before segment 0, reaches past the last
// vertex, is longer than kMaxCombinedSegments, or holds points that are not finite numbers.
CombineResult CombineSegments(VertexChunk& chunk, int first, int last);

// A run as a combine leaves it, apart from its track: the run, its vertices first … first +
// count (count + 1 of them) as the combine leaves them, and the fit's largest deviation.
struct CombinedRun {
  SegmentRun run;
  std::vector<BezierVertex> after;
  double maxDeviation = 0.0;
};

struct CombinedCopy {
  CombineResult combine;                // what the combine reported; refused: why
  std::optional<CombinedRun> combined;  // when it combined
};

// What CombineRun would make of `run`, with the same refusals (vertices named by their place
// in the track) and the same bits, the track only read: the fit works on a copy of the run's
// vertices alone, so a track of any length costs memory for its run only.
CombinedCopy CombineCopyOfRun(std::span<const BezierVertex> vertices, const SegmentRun& run);

}  // namespace qu
