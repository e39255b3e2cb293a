#include "geometry/CurveFit.h"

#include "geometry/CurveDistance.h"
#include "geometry/FitColumns.h"
#include "geometry/VectorMath.h"

namespace qu {
namespace {

// The memory a fit works in. Each thread keeps its own from one fit to the next, so that
// repeated fits (a preview redrawn at every keystroke, a batch of tracks) reuse it rather than
// have the system hand out and clear fresh pages each time. A nested range reuses it too: its
// parent range is done with it by then.
struct FitMemory {
  SampleColumns columns;
  Params chordParams, refinedParams;
};

FitMemory& ThreadFitMemory() {
  thread_local FitMemory memory;
  return memory;
}

// The state of one FitSegments call: the list being built and the nesting depth.
class RangeFitter {
 public:
  RangeFitter(std::span<const Vector3> points, int maxFitDepth, double tolerance, FitTrace* trace)
      : points_(points), maxFitDepth_(maxFitDepth), tolerance_(tolerance), trace_(trace) {}

  void FitRange(int first, int last, const Vector3& startTangent, const Vector3& endTangent);
  SegmentList& list() { return list_; }

 private:
  CubicSegment TwoSampleSegment(int first, int last, const Vector3& startTangent,
                                const Vector3& endTangent) const;
  void Record(const RangeFit& fit) {
    if (trace_) trace_->push_back(fit);
  }

  std::span<const Vector3> points_;
  int maxFitDepth_;
  double tolerance_;
  FitTrace* trace_;
  SegmentList list_;
  FitMemory& memory_ = ThreadFitMemory();
  SampleColumns& columns_ = memory_.columns;  // the range being fitted
  int fitDepth_ = 0;
};

CubicSegment RangeFitter::TwoSampleSegment(int first, int last, const Vector3& startTangent,
                                           const Vector3& endTangent) const {
  CubicSegment s;
  s.startPoint = points_[static_cast<std::size_t>(first)];
  s.endPoint = points_[static_cast<std::size_t>(last)];
  const double d = VecLength(VecSub(s.endPoint, s.startPoint)) / 3.0;
  s.startControl = VecAdd(s.startPoint, VecScale(startTangent, d));
  s.endControl = VecAdd(s.endPoint, VecScale(endTangent, d));
  return s;
}

void RangeFitter::FitRange(int first, int last, const Vector3& startTangent,
                           const Vector3& endTangent) {
  ++fitDepth_;
  const int n = last - first + 1;
  if (n == 2) {
    AppendSegment(list_, TwoSampleSegment(first, last, startTangent, endTangent));
    Record({first, last, 0, 0.0, 0.0, true});
    --fitDepth_;
    return;
  }

  // Every pass restarts its Newton step from the chord-length parameters, against the
  // segment of the previous pass; the last pass's segment is kept even if an earlier one
  // was better.
  // The samples are copied into columns once; the passes run over all of them at a time.
  columns_.Assign(points_, first, last);
  Params& u0 = memory_.chordParams;
  columns_.ChordParams(u0);
  CubicSegment s = columns_.SolveInnerControls(u0, startTangent, endTangent);
  double err = columns_.MaxDeviation(s, u0);
  Params& u = memory_.refinedParams;
  const int passes = RunRefinementPasses(err, [&] {
    columns_.RefineParams(s, u0, u);
    s = columns_.SolveInnerControls(u, startTangent, endTangent);
    err = columns_.MaxDeviation(s, u);
    return err;
  });

  const bool keep = err < tolerance_ || fitDepth_ > maxFitDepth_ || n < 4;
  if (trace_) {
    // The last pass's parameters are where each sample's nearest point is looked for first.
    const double distance = MaxDistanceToCurve(columns_, s, u);
    Record({first, last, passes, err, distance, keep});
  }
  if (keep) {
    AppendSegment(list_, s);
  } else {
    const int split = SplitIndex(first, n);
    Vector3 splitTangent = SplitTangent(points_, split);
    FitRange(first, split, startTangent, splitTangent);
    splitTangent = {-splitTangent.x, -splitTangent.y, -splitTangent.z};
    FitRange(split, last, splitTangent, endTangent);
  }
  --fitDepth_;
}

}  // namespace

int MaxFitDepthFor(std::int16_t maxSegments) {
  switch (maxSegments) {
    case 2:
      return 1;
    case 4:
      return 2;
    case 8:
      return 3;
    case 16:
      return 4;
    case 32:
      return 5;
    case 64:
      return 6;
    default:
      return 0;
  }
}

int RunRefinementPasses(double initialError, const std::function<double()>& pass) {
  double previous = initialError;
  int passes = 0;
  int worse = 0;
  do {
    const double err = pass();
    ++passes;
    if (!(err < previous)) ++worse;
    previous = err;
  } while (passes < kMaxRefinementPasses && worse < kMaxWorsePasses);
  return passes;
}

int SplitIndex(int first, int n) {
  // first + n / 2 with an exact half rounded to the even neighbour, in integers.
  if (n % 2 == 0) return first + n / 2;
  const int below = first + (n - 1) / 2;
  return below % 2 == 0 ? below : below + 1;
}

Vector3 SplitTangent(std::span<const Vector3> points, int s) {
  const auto at = [&](int i) { return points[static_cast<std::size_t>(i)]; };
  const Vector3 v1 = VecSub(at(s - 1), at(s));
  const Vector3 v2 = VecSub(at(s), at(s + 1));
  const Vector3 mean{static_cast<float>((double{v1.x} + v2.x) / 2.0),
                     static_cast<float>((double{v1.y} + v2.y) / 2.0),
                     static_cast<float>((double{v1.z} + v2.z) / 2.0)};
  if (VecLength(mean) > 0.0) return VecNormalize(mean);
  if (VecLength(v1) > 0.0) return VecNormalize(v1);
  if (VecLength(v2) > 0.0) return VecNormalize(v2);
  return {};
}

void AppendSegment(SegmentList& list, const CubicSegment& segment) {
  list.curves.push_back(segment);
  list.count = static_cast<std::int16_t>(list.curves.size());
}

SegmentList FitSegments(std::span<const Vector3> points, std::int16_t pointCount, double& tolerance,
                        const Vector3& startTangent, const Vector3& endTangent,
                        std::int16_t maxSegments, FitTrace* trace) {
  // The caller's tolerance has no effect: the fit always runs with 0.0 and says so.
  tolerance = 0.0;
  RangeFitter fitter(points, MaxFitDepthFor(maxSegments), tolerance, trace);
  fitter.FitRange(0, pointCount - 1, startTangent, endTangent);
  return fitter.list();
}

}  // namespace qu
