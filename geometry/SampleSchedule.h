#pragma once

namespace qu {

// The parameters at which the merge samples each segment of a run: t = 0, then t + kSampleStep
// as single-precision sums while t ≤ kSampleLimit, which gives 0, 0.2, 0.4, 0.6 and 0.8; the
// next sum rounds to 1 and ends a segment's sampling (its end is the next segment's start).
// Every user takes the parameters from ForEachSampleParameter, so each has the same bits
// wherever it is used.
inline constexpr float kSampleStep = 0.2f;
inline constexpr float kSampleLimit = 0.9f;

// Calls visit(t) for each sample parameter of a segment, in order.
template <class Visit>
constexpr void ForEachSampleParameter(Visit visit) {
  for (float t = 0.0f; t <= kSampleLimit; t = t + kSampleStep) visit(t);
}

// How many samples each segment gives.
inline constexpr int kSamplesPerSegment = [] {
  int count = 0;
  ForEachSampleParameter([&](float) { ++count; });
  return count;
}();

}  // namespace qu
