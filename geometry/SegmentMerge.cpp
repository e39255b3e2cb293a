#include "geometry/SegmentMerge.h"

#include <array>
#include <span>
#include <vector>

#include "geometry/BezierPoint.h"
#include "geometry/CurveFit.h"
#include "geometry/VectorMath.h"

namespace qu {
namespace {

CombineResult Refuse(CombineRefusal refusal, std::string reason) {
  CombineResult result;
  result.refusal = refusal;
  result.reason = std::move(reason);
  return result;
}

std::string Plural(long long count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// The run that reaches past the last vertex, in words: a run from the start by its length
// alone ("cannot combine 45"), a later one also by its start and, when longer than one
// segment, its last segment.
std::string BeyondTrackReason(int segments, int first, long long count) {
  std::string reason = "the track has only " + Plural(segments, "segment") + "; cannot combine ";
  if (first == 0) return reason + std::to_string(count);
  reason += Plural(count, "segment") + " from segment " + std::to_string(first);
  if (count == 1) return reason;
  const long long last = first + count - 1;
  return reason + " (segments " + std::to_string(first) + " to " + std::to_string(last) + ")";
}

// The checks of a combine on the run of `count` segments from `first`, in 64 bits so that
// neither the count nor the run's end can wrap.
CombineResult CheckRun(std::span<const BezierVertex> vertices, int first, long long count) {
  const int segments = SegmentCount(vertices);
  const long long last = first + count - 1;
  if (count < 1) {
    return Refuse(CombineRefusal::kEmptyRun,
                  "cannot combine " + std::to_string(count) + " segments; at least 1 is needed");
  }
  if (first < 0) {
    return Refuse(CombineRefusal::kNegativeFirst,
                  "the run starts at segment " + std::to_string(first) + ", before the track");
  }
  if (last >= segments) {
    return Refuse(CombineRefusal::kBeyondTrack, BeyondTrackReason(segments, first, count));
  }
  if (count > kMaxCombinedSegments) {
    return Refuse(CombineRefusal::kTooLong,
                  "cannot combine more than " + std::to_string(kMaxCombinedSegments) +
                      " segments at once (asked for " + std::to_string(count) + ")");
  }
  for (int i = first; i <= static_cast<int>(last) + 1; ++i) {
    const BezierVertex& v = vertices[static_cast<std::size_t>(i)];
    if (!IsFinite(v.position) || !IsFinite(v.controlIn) || !IsFinite(v.controlOut)) {
      return Refuse(
          CombineRefusal::kNotFinite,
          "vertex " + std::to_string(i) + " has a coordinate that is not a finite number");
    }
  }
  return {};
}

}  // namespace

CombineResult CheckCombineRun(std::span<const BezierVertex> vertices, const SegmentRun& run) {
  return CheckRun(vertices, run.first, run.count);
}

namespace {

// Each segment sampled at the parameters of the sample schedule, then the run's end point.
// The samples live in memory the thread keeps for the next merge, as the fit's own memory
// does; they stay valid until the thread's next call.
std::span<const Vector3> SampleRun(const std::vector<BezierVertex>& v, int first, int last) {
  std::array<BezierWeights, kSamplesPerSegment> weights{};
  std::size_t filled = 0;
  ForEachSampleParameter([&](float t) { weights[filled++] = BezierWeightsAt(t); });
  thread_local std::vector<Vector3> points;
  points.clear();
  points.reserve(static_cast<std::size_t>(kSamplesPerSegment * (last - first + 1) + 1));
  for (int i = first; i <= last; ++i) {
    const BezierVertex& from = v[static_cast<std::size_t>(i)];
    const BezierVertex& to = v[static_cast<std::size_t>(i + 1)];
    for (const BezierWeights& w : weights) {
      points.push_back(BezierPoint(from.position, from.controlOut, to.position, to.controlIn, w));
    }
  }
  points.push_back(v[static_cast<std::size_t>(last + 1)].position);
  return points;
}

// Fits segments first … last of a table that has passed CheckRun and writes the two handles;
// refused only when the fit gives points that are not finite.
CombineResult FitRun(std::vector<BezierVertex>& v, int first, int last) {
  CombineResult result;
  BezierVertex& start = v[static_cast<std::size_t>(first)];
  BezierVertex& end = v[static_cast<std::size_t>(last + 1)];
  const std::span<const Vector3> points = SampleRun(v, first, last);
  // The existing handles give the directions: out of the start, and back into the run at
  // the end.
  const Vector3 startTangent = VecSub(start.controlOut, start.position);
  const Vector3 endTangent = VecSub(end.controlIn, end.position);

  double tolerance = 0.0;
  FitTrace trace;
  const SegmentList fit = FitSegments(points, static_cast<std::int16_t>(points.size()), tolerance,
                                      startTangent, endTangent, 0, &trace);
  const CubicSegment& curve = fit.curves.front();
  if (!IsFinite(curve.startControl) || !IsFinite(curve.endControl)) {
    return Refuse(CombineRefusal::kNotFinite,
                  "the fit did not give finite control points; the track is unchanged");
  }
  start.controlOut = curve.startControl;
  end.controlIn = curve.endControl;
  result.maxDeviation = trace.front().distance;
  result.fitError = trace.front().error;
  result.sampleCount = static_cast<int>(points.size());
  return result;
}

// The one combine of a table: the run checked, once, then fitted.
CombineResult Combine(std::vector<BezierVertex>& v, int first, long long count) {
  const CombineResult check = CheckRun(v, first, count);
  if (!check.combined()) return check;
  return FitRun(v, first, static_cast<int>(first + count - 1));
}

}  // namespace

CombineResult CombineRun(VertexChunk& chunk, const SegmentRun& run) {
  return Combine(chunk.Vertices, run.first, run.count);
}

CombineResult CombineSegments(VertexChunk& chunk, int first, int last) {
  return Combine(chunk.Vertices, first, static_cast<long long>(last) - first + 1);
}

CombinedCopy CombineCopyOfRun(std::span<const BezierVertex> vertices, const SegmentRun& run) {
  CombinedCopy out;
  // Checked on the track, so that a refusal names the track's vertices; a run that passes
  // ends inside the table.
  out.combine = CheckCombineRun(vertices, run);
  if (!out.combine.combined()) return out;

  // The run alone, vertices first … first + count, fitted as segments 0 … count − 1.
  const auto from = vertices.begin() + run.first;
  std::vector<BezierVertex> copy(from, from + run.count + 1);
  out.combine = FitRun(copy, 0, run.count - 1);
  if (!out.combine.combined()) return out;
  out.combined = CombinedRun{run, std::move(copy), out.combine.maxDeviation};
  return out;
}

}  // namespace qu
