#include "plot/CurvePainter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/VectorMath.h"
#include "plot/PictureLayout.h"
#include "plot/Strokes.h"

namespace qu::plot {
namespace {

// Collects strokes as point lists.
class StrokeCollector : public StrokeSink {
 public:
  void MoveTo(const Point2& p) override { strokes_.push_back({p}); }
  void LineTo(const Point2& p) override { strokes_.back().push_back(p); }
  void EndStroke() override {}
  std::vector<std::vector<Point2>> Take() { return std::move(strokes_); }

 private:
  std::vector<std::vector<Point2>> strokes_;
};

// A curve's way into the picture: its points in picture units are cut to the frame, and
// merged within kDrawTolerance.
class Pen {
 public:
  explicit Pen(const Box& frame)
      : simplifier_(kMergeTolerance, strokes_), clipper_(Grown(frame, kClipMargin), simplifier_) {}
  void Add(const Point2& p) { clipper_.Add(p); }
  // The curve is interrupted: the next point starts a new stroke.
  void Break() { clipper_.Break(); }
  Polyline Finish(LineStyle style) {
    clipper_.Break();
    simplifier_.EndStroke();
    return {style, strokes_.Take()};
  }

 private:
  StrokeCollector strokes_;
  LineSimplifier simplifier_;
  FrameClipper clipper_;
};

// The square of the distance from p to the line from a to b.
double SquaredDistanceToSegment(const Point2& p, const Point2& a, const Point2& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t =
      length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
  const double ox = p.x - (a.x + t * dx), oy = p.y - (a.y + t * dy);
  return ox * ox + oy * oy;
}

// What segment i's control points say about its curve, which lies in their hull: their box
// in the plan, in picture units; their range of heights; and whether the curve is so nearly
// straight in the plan that the line between its ends passes within kDotSize of every sample.
struct SegmentHull {
  bool finite = false;
  Box plan;
  double lowest = 0.0;
  double highest = 0.0;
  bool flatInPlan = false;
};

// Whether a box of width × height on the page is no larger than a dot: every point in it is
// within kDotSize of every other.
bool DotSized(double width, double height) {
  return width * width + height * height <= kDotSize * kDotSize;
}

SegmentHull HullOf(std::span<const BezierVertex> v, int i, const ViewportMapping& planMap) {
  const BezierVertex& a = v[static_cast<std::size_t>(i)];
  const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
  SegmentHull hull;
  BoxBuilder plan;
  hull.lowest = hull.highest = a.position.y;
  for (const Vector3& c : {a.position, a.controlOut, b.controlIn, b.position}) {
    if (!qu::IsFinite(c)) return hull;
    plan.Add(Plan(c));
    hull.lowest = std::min<double>(hull.lowest, c.y);
    hull.highest = std::max<double>(hull.highest, c.y);
  }
  hull.finite = true;
  // Samples are rounded to single precision: a few of its steps more on every side.
  Box box = plan.box();
  const double rounding = 1e-6 * std::max({std::fabs(box.min.x), std::fabs(box.min.y),
                                           std::fabs(box.max.x), std::fabs(box.max.y)});
  box = Grown(box, rounding);
  const Point2 p = planMap.Map(box.min);
  const Point2 q = planMap.Map(box.max);
  hull.plan = {{std::min(p.x, q.x), std::min(p.y, q.y)}, {std::max(p.x, q.x), std::max(p.y, q.y)}};
  if (DotSized(hull.plan.width(), hull.plan.height())) {
    hull.flatInPlan = true;
    return hull;
  }
  // No point of the hull is further from the line between the ends than one of the inner
  // control points.
  const Point2 start = Plan(a.position), end = Plan(b.position);
  const double bulge = std::sqrt(std::max(SquaredDistanceToSegment(Plan(a.controlOut), start, end),
                                          SquaredDistanceToSegment(Plan(b.controlIn), start, end)));
  hull.flatInPlan = (bulge + 2 * rounding) * planMap.scaleX() <= kDotSize;
  return hull;
}

// Whether a segment can come near the plan's frame. Points that are not finite count as near,
// so that their samples break the line as they do elsewhere.
bool MeetsPlanFrame(const SegmentHull& hull) {
  const Box frame = Grown(kPlanPanel, kClipMargin);
  return !hull.finite || (hull.plan.max.x >= frame.min.x && hull.plan.min.x <= frame.max.x &&
                          hull.plan.max.y >= frame.min.y && hull.plan.min.y <= frame.max.y);
}

// How many of a segment's samples are drawn in a view: all, or only the first where the line
// from it to the next segment's first passes within kDotSize of all of them.
int DrawnSamples(bool flat) {
  return flat ? 1 : kPictureSamplesPerSegment;
}

// Draws ranges of a vertex table's segments in both views, one pass over their samples. The
// profile is followed until it leaves its frame on the right, where it stays, as lengths only
// grow; after that, a segment that cannot come near the plan's frame is not sampled at all.
// Without `inPlan` only the profile is drawn, and a range ends where the profile leaves.
class CurvePainter {
 public:
  CurvePainter(std::span<const BezierVertex> vertices, const Views& views, bool inPlan = true)
      : vertices_(vertices), views_(views), inPlan_(inPlan) {}

  void Range(const TrackRange& range) {
    if (!IsSegmentRange(vertices_, range.first, range.last)) return;
    length_ = PathLengthCounter(range.startLength);
    lastMet_ = false;
    for (int i = range.first; i <= range.last && (inPlan_ || profileOpen_); ++i) Segment(i);
    const Vector3& end = vertices_[static_cast<std::size_t>(range.last + 1)].position;
    if (lastMet_) ToPlan(end);
    if (profileOpen_) ToProfile(length_.Add(end), end.y);
    // A range that follows starts after a gap.
    plan_.Break();
    elevation_.Break();
  }

  std::pair<Polyline, Polyline> Finish(LineStyle style) {
    return {plan_.Finish(style), elevation_.Finish(style)};
  }

 private:
  void Segment(int i) {
    const SegmentHull hull = HullOf(vertices_, i, views_.plan);
    const bool meets = inPlan_ && MeetsPlanFrame(hull);
    // The segment's first sample also ends the line from the one before.
    const int toPlan = meets ? DrawnSamples(hull.flatInPlan) : (lastMet_ ? 1 : 0);
    Sample(i, profileOpen_ ? kPictureSamplesPerSegment : toPlan);
    for (int k = 0; k < toPlan; ++k) ToPlan(points_[static_cast<std::size_t>(k)]);
    if (!meets) plan_.Break();
    lastMet_ = meets;
    if (!profileOpen_) return;
    const double run = (lengths_.back() - lengths_.front()) * views_.elevation.scaleX();
    const double rise = (hull.highest - hull.lowest) * views_.elevation.scaleY();
    const int toProfile = DrawnSamples(hull.finite && (DotSized(run, rise) || FlatInProfile(i)));
    for (int k = 0; k < toProfile && profileOpen_; ++k) {
      ToProfile(lengths_[static_cast<std::size_t>(k)], points_[static_cast<std::size_t>(k)].y);
    }
  }

  // Whether the line in the profile from segment i's first sample to its end passes within
  // kDotSize of its other samples, which Sample has computed with their lengths.
  bool FlatInProfile(int i) const {
    const Vector3& end = vertices_[static_cast<std::size_t>(i + 1)].position;
    // The length that the end will be given, the same sum as PathLengthCounter's.
    const double endLength = lengths_.back() + Distance(points_.back(), end);
    const Point2 from = views_.elevation.Map({lengths_.front(), points_.front().y});
    const Point2 to = views_.elevation.Map({endLength, end.y});
    for (std::size_t k = 1; k < kPictureSamplesPerSegment; ++k) {
      const Point2 q = views_.elevation.Map({lengths_[k], points_[k].y});
      if (!(SquaredDistanceToSegment(q, from, to) <= kDotSize * kDotSize)) return false;
    }
    return true;
  }

  // The first `count` samples of segment i, with their lengths while the profile needs them.
  void Sample(int i, int count) {
    for (int k = 0; k < count; ++k) {
      const auto at = static_cast<std::size_t>(k);
      points_[at] = SegmentPoint(vertices_, i, k);
      if (profileOpen_) lengths_[at] = length_.Add(points_[at]);
    }
  }

  void ToPlan(const Vector3& p) { plan_.Add(views_.plan.Map(Plan(p))); }

  void ToProfile(double s, double height) {
    const Point2 q = views_.elevation.Map({s, height});
    elevation_.Add(q);
    profileOpen_ = !(q.x > kElevationPanel.max.x + kClipMargin);
  }

  std::span<const BezierVertex> vertices_;
  const Views& views_;
  bool inPlan_;
  Pen plan_{kPlanPanel};
  Pen elevation_{kElevationPanel};
  PathLengthCounter length_{0.0};
  bool profileOpen_ = true;
  bool lastMet_ = false;  // whether the segment before can come near the plan's frame
  std::array<Vector3, kPictureSamplesPerSegment> points_{};
  std::array<double, kPictureSamplesPerSegment> lengths_{};
};

}  // namespace

std::pair<Polyline, Polyline> DrawRest(const TrackRest& rest, const Views& views, LineStyle style,
                                       bool inPlan) {
  CurvePainter painter(rest.vertices, views, inPlan);
  for (const TrackRange& range : rest.ranges) painter.Range(range);
  return painter.Finish(style);
}

std::pair<Polyline, Polyline> DrawRun(const RunPath& run, const Views& views, LineStyle style) {
  CurvePainter painter(run.vertices, views);
  painter.Range({run.first, run.last, run.startLength});
  return painter.Finish(style);
}

Polyline Draw(LineStyle style, const std::vector<Point2>& points, const ViewportMapping& map,
              const Box& frame) {
  Pen pen(frame);
  for (const Point2& p : points) pen.Add(map.Map(p));
  return pen.Finish(style);
}

}  // namespace qu::plot
