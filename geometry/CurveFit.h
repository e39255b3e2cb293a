#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "geometry/CubicSegment.h"
#include "geometry/FitKernels.h"
#include "trackio/Vector3.h"

namespace qu {

// Least-squares fit of cubic Bezier segments to an ordered run of samples. Every segment
// starts at its first sample and ends at its last; only the distances of the inner control
// points along the given tangents are fitted.

// How one range of samples was fitted, for callers that want the fit's quality.
struct RangeFit {
  int first = 0;
  int last = 0;
  int passes = 0;         // refinement passes run (0 for a two-sample range)
  double error = 0.0;     // MaxDeviation of the last pass, at the refined parameters
  double distance = 0.0;  // largest distance from a sample to the nearest point of the curve
  bool appended = false;  // false when the range was split instead
};
using FitTrace = std::vector<RangeFit>;

inline constexpr int kMaxRefinementPasses = 40;
inline constexpr int kMaxWorsePasses = 5;

// Fits samples 0 … pointCount − 1. `tolerance` is overwritten with 0.0, so a range is split
// whenever the depth limit and its size allow; maxSegments 2, 4, …, 64 allow that many
// segments, any other value one. Returns the segments in curve order.
SegmentList FitSegments(std::span<const Vector3> points, std::int16_t pointCount, double& tolerance,
                        const Vector3& startTangent, const Vector3& endTangent,
                        std::int16_t maxSegments, FitTrace* trace = nullptr);

// Appends a segment to the list.
void AppendSegment(SegmentList& list, const CubicSegment& segment);

// The unit direction at split sample s, pointing back towards the lower indices. When the
// path turns back on itself at s (the two chords cancel), the direction to the lower
// neighbour is used, else the one from the upper neighbour, else the zero vector.
Vector3 SplitTangent(std::span<const Vector3> points, int s);

// The split sample of a range: first + n / 2 rounded to the nearest integer, halves to even.
int SplitIndex(int first, int n);

// Runs refinement passes until the 40th, or until the fifth pass whose error is not smaller
// than the one before (equal counts as not smaller; the count is never reset). `pass` runs
// one pass and returns its error. Returns the number of passes run.
int RunRefinementPasses(double initialError, const std::function<double()>& pass);

// The maxFitDepth that a requested segment count allows.
int MaxFitDepthFor(std::int16_t maxSegments);

}  // namespace qu
