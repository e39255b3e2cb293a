#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "trackio/VertexChunks.h"

namespace qu {

// Parameters at which each track segment is sampled: 0, 0.2, 0.4, 0.6 and 0.8 as single
// precision sums; the next sum rounds to 1 and ends a segment's sampling.
inline constexpr float kSampleStep = 0.2f;
inline constexpr float kSampleLimit = 0.9f;
inline constexpr int kSamplesPerSegment = 5;
// The sample count is a 16-bit number: 5 × 6553 + 1 = 32766 is the most it can hold.
inline constexpr int kMaxCombinedSegments = 6553;

enum class CombineRefusal {
  kNone,
  kEmptyRun,       // last < first
  kNegativeFirst,  // first < 0
  kBeyondTrack,    // vertex last + 1 does not exist
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

// The number of segments of a vertex table: one fewer than its vertices.
int SegmentCount(const VertexChunk& chunk);

// The refusal CombineSegments would give for segments first … last of a track with these
// vertices, or a result without one, without fitting anything.
CombineResult CheckCombine(std::span<const BezierVertex> vertices, int first, int last);

// The same check for the run of `count` segments from segment `first`. The run's last
// segment, first + count − 1, is reckoned in 64 bits, so a run that would end past the
// largest int is refused as reaching past the track, its true first segment and count named
// in the reason; a run this accepts has a last segment that fits an int.
CombineResult CheckCombineRun(std::span<const BezierVertex> vertices, int first, int count);

// Fits one cubic through segments first … last of the track, the directions at both ends
// kept, and writes its inner control points to controlOut of vertex first and controlIn of
// vertex last + 1. Nothing else changes. Refuses, leaving the table untouched, when the run
// is empty, starts before segment 0, reaches past the last vertex, is longer than
// kMaxCombinedSegments, or holds points that are not finite numbers.
CombineResult CombineSegments(VertexChunk& chunk, int first, int last);

}  // namespace qu
