#include "plot/TrackPlot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

#include "geometry/BezierPoint.h"
#include "geometry/VectorMath.h"
#include "plot/Strokes.h"
#include "text/DisplayText.h"

namespace qu::plot {
namespace {

// The picture's sampling of a segment, finer than the merge's (geometry/SampleSchedule.h):
// enough points that the lines through them look smooth at twice the picture's size.
constexpr int kPictureSamplesPerSegment = 16;

const Box kPlanPanel{{20, 46}, {390, 326}};
const Box kElevationPanel{{410, 46}, {780, 326}};

constexpr Colour kTextColour = 0x000000;
constexpr Colour kLegendTextColour = 0x222222;
constexpr Colour kRunEndColour = 0x000000;
constexpr double kLegendLineWidth = 2.5;

// A segment whose samples all fit in a box this small on the page (its diagonal, in picture
// units) is drawn from its first sample alone: the others are that close to it. Lines are
// merged within what is left of kDrawTolerance, so that every sample stays within it.
constexpr double kDotSize = 0.01;
constexpr double kMergeTolerance = kDrawTolerance - kDotSize;

// Curves are cut this far outside their frame, so that the frame's own clip, not the cut,
// decides where a line ends: more than half the widest stroke plus the tolerance.
constexpr double kClipMargin = 8.0;

bool IsFinite(const Point2& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

Box Grown(Box box, double margin) {
  box.min.x -= margin;
  box.min.y -= margin;
  box.max.x += margin;
  box.max.y += margin;
  return box;
}

// The box around the finite points added; a point box at the origin when there is none.
class BoxBuilder {
 public:
  void Add(const Point2& p) {
    if (!IsFinite(p)) return;
    if (!box_) box_ = Box{p, p};
    box_->min = {std::min(box_->min.x, p.x), std::min(box_->min.y, p.y)};
    box_->max = {std::max(box_->max.x, p.x), std::max(box_->max.y, p.y)};
  }
  Box box() const { return box_.value_or(Box{}); }
  bool empty() const { return !box_; }

 private:
  std::optional<Box> box_;
};

double Distance(const Vector3& a, const Vector3& b) {
  const double dx = double{b.x} - a.x;
  const double dy = double{b.y} - a.y;
  const double dz = double{b.z} - a.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The length of the path through the points added so far, from `start`.
class PathLengthCounter {
 public:
  explicit PathLengthCounter(double start) : length_(start) {}
  double Add(const Vector3& p) {
    if (started_) length_ += Distance(last_, p);
    last_ = p;
    started_ = true;
    return length_;
  }
  double length() const { return length_; }

 private:
  double length_;
  Vector3 last_;
  bool started_ = false;
};

// The parameters every segment is sampled at, with their powers, computed once.
const std::array<BezierWeights, kPictureSamplesPerSegment>& SampleWeights() {
  static const auto weights = [] {
    std::array<BezierWeights, kPictureSamplesPerSegment> w{};
    for (int k = 0; k < kPictureSamplesPerSegment; ++k) {
      w[static_cast<std::size_t>(k)] =
          BezierWeightsAt(static_cast<float>(k) / static_cast<float>(kPictureSamplesPerSegment));
    }
    return w;
  }();
  return weights;
}

// Sample k of segment i.
Vector3 SegmentPoint(std::span<const BezierVertex> v, int i, int k) {
  const BezierVertex& a = v[static_cast<std::size_t>(i)];
  const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
  return BezierPoint(a.position, a.controlOut, b.position, b.controlIn,
                     SampleWeights()[static_cast<std::size_t>(k)]);
}

bool IsSegmentRange(std::span<const BezierVertex> v, int first, int last) {
  return first >= 0 && last >= first && static_cast<std::size_t>(last) + 1 < v.size();
}

// Calls visit(point) with SamplePath's points in order, without storing them, until it
// returns false.
template <class Visit>
void ForEachSample(std::span<const BezierVertex> v, int first, int last, Visit visit) {
  if (!IsSegmentRange(v, first, last)) return;
  for (int i = first; i <= last; ++i) {
    for (int k = 0; k < kPictureSamplesPerSegment; ++k) {
      if (!visit(SegmentPoint(v, i, k))) return;
    }
  }
  visit(v[static_cast<std::size_t>(last + 1)].position);
}

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

Box Padded(const Box& box) {
  return Grown(box, std::max({box.width(), box.height(), 1.0}) * 0.05);
}

Point2 Plan(const Vector3& p) {
  return {p.x, p.z};
}

// A polyline of the mapped points as it shows in the frame; non-finite points break it.
Polyline Draw(LineStyle style, const std::vector<Point2>& points, const ViewportMapping& map,
              const Box& frame) {
  Pen pen(frame);
  for (const Point2& p : points) pen.Add(map.Map(p));
  return pen.Finish(style);
}

// A polyline that has no stroke is left out.
void AddLine(Frame& frame, Polyline line) {
  if (!line.strokes.empty()) frame.lines.push_back(std::move(line));
}

void AddMark(Frame& frame, const Point2& centre, double radius, std::optional<Colour> fill,
             Colour outline) {
  if (IsFinite(centre)) frame.marks.push_back({centre, radius, fill, outline});
}

// Segments first … last of the track, streamed from its vertices, the profile starting at
// `startLength`.
struct TrackRange {
  int first = 0;
  int last = -1;
  double startLength = 0.0;
};

// The track but for the run: the segments before it and those after it.
struct TrackRest {
  std::span<const BezierVertex> vertices;
  std::vector<TrackRange> ranges;
};

// How each view maps onto the picture.
struct Views {
  ViewportMapping plan;
  ViewportMapping elevation;
};

// Segments first … last of a vertex table, streamed: each sample with the length of the path
// up to it, from `startLength`.
struct RunPath {
  std::span<const BezierVertex> vertices;
  int first = 0;
  int last = -1;
  double startLength = 0.0;

  // Calls visit(point, length) for each of SamplePath's points in order.
  template <class Visit>
  void ForEach(Visit visit) const {
    PathLengthCounter length(startLength);
    ForEachSample(vertices, first, last, [&](const Vector3& p) {
      visit(p, length.Add(p));
      return true;
    });
  }
};

// The run before and after a combine; it may be empty.
struct RunCurves {
  RunPath before;
  RunPath after;
};

// Where the run lies in each view, and where it ends.
struct RunExtent {
  Box plan;                   // of both curves and the handles
  Box elevation;              // of both curves
  bool anyElevation = false;  // whether they have a finite point in the profile
  std::optional<Point2> profileStart, profileEnd;  // of the run before, in the profile
  double endLength = 0.0;                          // the length where the run before ends
};

RunExtent ExtentOf(const RunCurves& run, const std::vector<Point2>& handles) {
  BoxBuilder plan;
  BoxBuilder elevation;
  RunExtent extent;
  extent.endLength = run.before.startLength;
  for (const Point2& p : handles) plan.Add(p);
  for (const RunPath* curve : {&run.before, &run.after}) {
    curve->ForEach([&](const Vector3& p, double s) {
      plan.Add(Plan(p));
      elevation.Add({s, p.y});
      if (curve == &run.before) {
        if (!extent.profileStart) extent.profileStart = Point2{s, p.y};
        extent.profileEnd = Point2{s, p.y};
        extent.endLength = s;
      }
    });
  }
  extent.plan = plan.box();
  extent.elevation = elevation.box();
  extent.anyElevation = !elevation.empty();
  return extent;
}

// The boxes around all of the rest's samples in both views.
std::pair<Box, Box> RestBounds(const TrackRest& rest) {
  BoxBuilder plan;
  BoxBuilder elevation;
  for (const TrackRange& range : rest.ranges) {
    PathLengthCounter length(range.startLength);
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      plan.Add(Plan(p));
      elevation.Add({length.Add(p), p.y});
      return true;
    });
  }
  return {plan.box(), elevation.box()};
}

// The box around the points of the profiles whose length lies in from … to, a range that
// holds the whole run. Lengths only grow along the track, so each range of the rest is
// followed only up to `to`.
Box ProfileWindow(const RunExtent& run, const TrackRest& rest, double from, double to) {
  BoxBuilder window;
  if (run.anyElevation) {
    window.Add(run.elevation.min);
    window.Add(run.elevation.max);
  }
  for (const TrackRange& range : rest.ranges) {
    PathLengthCounter length(range.startLength);
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      const double s = length.Add(p);
      if (s >= from && s <= to) window.Add({s, p.y});
      return !(s > to);
    });
  }
  return window.box();
}

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

std::pair<Polyline, Polyline> DrawRest(const TrackRest& rest, const Views& views, LineStyle style,
                                       bool inPlan = true) {
  CurvePainter painter(rest.vertices, views, inPlan);
  for (const TrackRange& range : rest.ranges) painter.Range(range);
  return painter.Finish(style);
}

// The run's curve in both views.
std::pair<Polyline, Polyline> DrawRun(const RunPath& run, const Views& views, LineStyle style) {
  CurvePainter painter(run.vertices, views);
  painter.Range({run.first, run.last, run.startLength});
  return painter.Finish(style);
}

// A view's frame, its label, and the rest of the track and the run in it (the old run dashed
// over the new one, so both show where they nearly coincide); the caller adds the marks.
Frame DrawView(const char* name, const Box& panel, const ViewportMapping& map, const char* label,
               Polyline rest, Polyline runAfter, Polyline runBefore) {
  Frame frame;
  frame.name = name;
  frame.box = panel;
  frame.placement = map.placement();
  frame.label = {{panel.min.x + 6, panel.min.y + 16}, label, 12, Anchor::kStart, kTextColour};
  AddLine(frame, std::move(rest));
  AddLine(frame, std::move(runAfter));
  AddLine(frame, std::move(runBefore));
  return frame;
}

std::string SegmentsText(int count) {
  return std::to_string(count) + " segment" + (count == 1 ? "" : "s");
}

// The run in words: "first 3 segments", or "segments 5 to 7" for one that starts later.
std::string RunText(const SegmentRun& run) {
  if (run.first == 0) return "first " + SegmentsText(run.count);
  if (run.count == 1) return "segment " + std::to_string(run.first);
  return "segments " + std::to_string(run.first) + " to " +
         std::to_string(run.first + run.count - 1);
}

// A number as printf's "%.6g" writes it in the C locale, whatever the process's locale.
std::string ShortNumber(double value) {
  char text[32];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  return std::string(text, end);
}

}  // namespace

double EstimatedTextWidth(const Text& text) {
  double ems = 0.0;
  for (const char c : text.text) {
    // A byte that continues a UTF-8 character adds nothing.
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;
    ems += std::isdigit(static_cast<unsigned char>(c)) ? kDigitEms : kCharacterEms;
  }
  return ems * text.size;
}

void DrawLegend(Drawing& drawing, const CombinedRun* overlay, bool runMarked) {
  // Each entry: a swatch, then its label. Entries keep the places they have always had while
  // their labels leave room; a longer label (a run far along a long track) moves the ones
  // after it to the right, and one that would pass the picture's right margin starts a
  // second line.
  constexpr double kSwatch = 24, kLabelGap = 6, kEntryGap = 8, kLineStep = 18;
  constexpr double kLeft = 20;
  const double right = drawing.width - 20;
  struct Entry {
    double place;
    LineStyle style;
    std::string label;
  };
  std::vector<Entry> entries;
  if (overlay) {
    entries = {{20, LineStyle::kRunBefore, RunText(overlay->run) + " before"},
               {240, LineStyle::kRunAfter, "after COMBINE!"},
               {380, LineStyle::kHandle, "changed handles"},
               {530, LineStyle::kRest, "rest of the track"}};
    if (runMarked) entries.push_back({680, LineStyle::kRunMarker, "the run"});
  } else {
    entries = {{20, LineStyle::kTrack, "track path"}};
  }
  // Two lines start a little higher, so that the words beneath still fit.
  const auto place = [&](double y, bool lay) {
    double x = kLeft, free = kLeft;
    bool wrapped = false;
    for (const Entry& entry : entries) {
      const Text label{{0, y}, entry.label, 12, Anchor::kStart, kLegendTextColour};
      const double width = kSwatch + kLabelGap + EstimatedTextWidth(label);
      x = std::max(entry.place, free);
      if (x + width > right && x > kLeft) {
        wrapped = true;
        x = kLeft;
        y += kLineStep;
      }
      if (lay) {
        drawing.legend.push_back(
            {entry.style,
             {x, y - 4},
             {x + kSwatch, y - 4},
             kLegendLineWidth,
             {{x + kSwatch + kLabelGap, y}, label.text, 12, Anchor::kStart, kLegendTextColour}});
      }
      free = x + width + kEntryGap;
    }
    return std::pair(wrapped, y);
  };
  const double firstLine = place(352, false).first ? 344 : 352;
  const double y = place(firstLine, true).second;
  if (overlay) {
    drawing.deviation = Text{{20, y + 22},
                             "Largest deviation of the fit: " + ShortNumber(overlay->maxDeviation) +
                                 " track units. Circles: the run's end vertices.",
                             12,
                             Anchor::kStart,
                             kLegendTextColour};
  }
  drawing.axisNote = {{780, y + 22}, "y is up", 12, Anchor::kEnd, kLegendTextColour};
}

namespace {

// Without a combine the whole track fills each view. Heights are stretched to fill the
// elevation view, lengths along the path are not.
Views WholeTrackViews(const std::pair<Box, Box>& bounds) {
  return {ViewportMapping(Padded(bounds.first), kPlanPanel, false),
          ViewportMapping(Padded(bounds.second), kElevationPanel, true, false)};
}

// The plan of the whole track, the run before and after and its handles included.
Box WholePlan(const RunExtent& extent, const TrackRest& rest) {
  BoxBuilder plan;
  plan.Add(extent.plan.min);
  plan.Add(extent.plan.max);
  for (const TrackRange& range : rest.ranges) {
    ForEachSample(rest.vertices, range.first, range.last, [&](const Vector3& p) {
      plan.Add(Plan(p));
      return true;
    });
  }
  return Padded(plan.box());
}

// The lengths of the path that the elevation shows around the run.
std::pair<double, double> ProfileRange(const RunExtent& extent) {
  const Box& runBox = extent.elevation;
  const double grow = std::max(runBox.width(), 1.0) * 0.6;
  return {runBox.min.x - grow, runBox.max.x + grow};
}

ViewportMapping ElevationMapping(const RunExtent& extent, const TrackRest& rest) {
  const auto [from, to] = ProfileRange(extent);
  Box elevationData = Padded(ProfileWindow(extent, rest, from, to));
  elevationData.min.x = from;
  elevationData.max.x = to;
  return ViewportMapping(elevationData, kElevationPanel, true, false);
}

// With a combine the run and its neighbourhood fill each view, and the rest of the track is
// cut at the frame.
Views FocusedViews(const RunExtent& extent, const TrackRest& rest, PlanScope planScope) {
  const Box planData =
      planScope == PlanScope::kRun ? FocusOn(extent.plan, 0.6) : WholePlan(extent, rest);
  return {ViewportMapping(planData, kPlanPanel, false), ElevationMapping(extent, rest)};
}

// The first of segments from … to − 1 whose length at its end `reaches` accepts (`to` when
// none does), by the lengths up to each vertex. `reaches` must accept every length after one
// it accepts.
int FirstSegmentReaching(const std::vector<double>& lengthAt, int from, int to,
                         const auto& reaches) {
  const auto begin = lengthAt.begin() + from + 1, end = lengthAt.begin() + to + 1;
  return from +
         static_cast<int>(std::partition_point(begin, end, [&](double s) { return !reaches(s); }) -
                          begin);
}

// The rest of the track with its part before the run cut to what begins at segment `from`
// or later; its lengths are the ones it would have had.
TrackRest StartingAt(TrackRest rest, const std::vector<double>& lengthAt, int from) {
  if (!rest.ranges.empty() && rest.ranges.front().first == 0 && rest.ranges.size() > 1) {
    TrackRange& before = rest.ranges.front();
    before.first = std::min(from, before.last);
    before.startLength = lengthAt[static_cast<std::size_t>(before.first)];
  }
  return rest;
}

// The boxes around all of a track's samples in both views, and the length of the path up to
// each vertex while every sample is finite and each segment's first sample is its vertex.
struct TrackBounds {
  BoxBuilder plan;
  BoxBuilder elevation;
  std::vector<double> lengthAt;
};

TrackBounds BoundsOfTrack(std::span<const BezierVertex> vertices) {
  TrackBounds bounds;
  const int segments = SegmentCount(vertices);
  PathLengthCounter length(0.0);
  bool lengthsHold = true;
  bounds.lengthAt.reserve(vertices.size());
  std::size_t sample = 0;
  ForEachSample(vertices, 0, segments - 1, [&](const Vector3& p) {
    bounds.plan.Add(Plan(p));
    const double s = length.Add(p);
    bounds.elevation.Add({s, p.y});
    if (lengthsHold && sample % kPictureSamplesPerSegment == 0) {
      const Vector3& vertex = vertices[sample / kPictureSamplesPerSegment].position;
      lengthsHold = qu::IsFinite(p) && std::isfinite(s) && p.x == vertex.x && p.y == vertex.y &&
                    p.z == vertex.z;
      bounds.lengthAt.push_back(s);
    }
    lengthsHold = lengthsHold && qu::IsFinite(p);
    ++sample;
    return true;
  });
  if (!lengthsHold) bounds.lengthAt = {};
  return bounds;
}

// The length of the path through segments 0 … first − 1, as the rest's profile counts it.
double LengthBefore(std::span<const BezierVertex> vertices, int first) {
  PathLengthCounter length(0.0);
  ForEachSample(vertices, 0, first - 1, [&](const Vector3& p) {
    length.Add(p);
    return true;
  });
  return length.length();
}

// A character of UTF-8 text, or an escaped byte (`\xNN`, four characters) taken whole.
struct Piece {
  std::size_t start = 0;  // byte offset
  std::size_t characters = 1;
};

std::vector<Piece> PiecesOf(std::string_view text) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < text.size();) {
    const bool escape = text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                        std::isxdigit(static_cast<unsigned char>(text[i + 3]));
    pieces.push_back({i, escape ? 4u : 1u});
    if (escape) {
      i += 4;
      continue;
    }
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return pieces;
}

}  // namespace

std::vector<Vector3> SamplePath(std::span<const BezierVertex> v, int first, int last,
                                int perSegment) {
  std::vector<Vector3> points;
  if (!IsSegmentRange(v, first, last)) return points;
  for (int i = first; i <= last; ++i) {
    const BezierVertex& a = v[static_cast<std::size_t>(i)];
    const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
    for (int k = 0; k < perSegment; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(perSegment);
      points.push_back(perSegment == kPictureSamplesPerSegment
                           ? SegmentPoint(v, i, k)
                           : BezierPoint(a.position, a.controlOut, b.position, b.controlIn, t));
    }
  }
  points.push_back(v[static_cast<std::size_t>(last + 1)].position);
  return points;
}

std::vector<Point2> PlanView(const std::vector<Vector3>& points) {
  std::vector<Point2> plan;
  for (const Vector3& p : points) plan.push_back(Plan(p));
  return plan;
}

double PathLength(const std::vector<Vector3>& points) {
  double length = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) length += Distance(points[i - 1], points[i]);
  return length;
}

std::vector<Point2> ElevationView(const std::vector<Vector3>& points, double startLength) {
  std::vector<Point2> profile;
  PathLengthCounter length(startLength);
  for (const Vector3& p : points) profile.push_back({length.Add(p), p.y});
  return profile;
}

Box BoundsOf(const std::vector<std::vector<Point2>>& groups) {
  BoxBuilder box;
  for (const auto& group : groups) {
    for (const Point2& p : group) box.Add(p);
  }
  return box.box();
}

ViewportMapping::ViewportMapping(const Box& data, const Box& viewport, bool flipY, bool keepAspect)
    : data_(data), flipY_(flipY) {
  // An axis without extent takes the other's scale, or 1 when neither has any.
  const double sx = data.width() > 0 ? viewport.width() / data.width() : INFINITY;
  const double sy = data.height() > 0 ? viewport.height() / data.height() : INFINITY;
  const double common = std::isfinite(std::min(sx, sy)) ? std::min(sx, sy) : 1.0;
  scaleX_ = keepAspect || !std::isfinite(sx) ? common : sx;
  scaleY_ = keepAspect || !std::isfinite(sy) ? common : sy;
  // Centre the scaled data in the viewport.
  offset_ = {viewport.min.x + (viewport.width() - data.width() * scaleX_) / 2,
             viewport.min.y + (viewport.height() - data.height() * scaleY_) / 2};
}

Point2 ViewportMapping::Map(const Point2& p) const {
  const double x = offset_.x + (p.x - data_.min.x) * scaleX_;
  const double y = flipY_ ? offset_.y + (data_.max.y - p.y) * scaleY_
                          : offset_.y + (p.y - data_.min.y) * scaleY_;
  return {x, y};
}

ViewPlacement ViewportMapping::placement() const {
  const double scaleY = flipY_ ? -scaleY_ : scaleY_;
  const double anchorY = flipY_ ? data_.max.y : data_.min.y;
  return {scaleX_, scaleY, offset_.x - data_.min.x * scaleX_, offset_.y - anchorY * scaleY};
}

Box FocusOn(const Box& run, double margin) {
  const double grow = std::max({run.width(), run.height(), 1.0}) * margin;
  return {{run.min.x - grow, run.min.y - grow}, {run.max.x + grow, run.max.y + grow}};
}

namespace {

// What DrawTrack draws. `whole`, with an overlay and the whole track in the plan: the track
// prepared, so that only the run is followed (DrawRunOnWholeTrack). `wholeBounds`, without an
// overlay: the boxes around the track's samples, already found. `runBefore`: as
// DrawRunOnWholeTrack has it.
Drawing DrawPicture(std::span<const BezierVertex> vertices, const std::string& title,
                    const CombinedRun* overlay, PlanScope planScope,
                    std::span<const BezierVertex> runBefore, const WholeTrack* whole,
                    const std::pair<Box, Box>* wholeBounds) {
  const int segments = SegmentCount(vertices);
  // The run, segments first … first + count − 1, and its vertices after the combine.
  const int first = overlay ? std::clamp(overlay->run.first, 0, segments) : 0;
  const int count = overlay ? std::clamp(overlay->run.count, 0, segments - first) : 0;
  const std::span<const BezierVertex> after =
      overlay ? std::span<const BezierVertex>(overlay->after) : std::span<const BezierVertex>();
  const int afterCount = std::min(count, SegmentCount(after));

  // The run and the rest of the track are streamed, never stored: once for their extent
  // where that sets the views, and once to draw them.
  if (!overlay || planScope != PlanScope::kWholeTrack) whole = nullptr;
  const std::vector<double>* lengthAt =
      whole && whole->lengthAt.size() == vertices.size() ? &whole->lengthAt : nullptr;
  const double startLength = first == 0 ? 0.0
                             : lengthAt ? (*lengthAt)[static_cast<std::size_t>(first)]
                                        : LengthBefore(vertices, first);
  const RunPath ownBefore = runBefore.size() == static_cast<std::size_t>(count) + 1
                                ? RunPath{runBefore, 0, count - 1, startLength}
                                : RunPath{vertices, first, first + count - 1, startLength};
  const RunCurves run{ownBefore, {after, 0, afterCount - 1, startLength}};
  std::vector<Point2> handles;  // pairs: vertex, control point
  std::vector<Point2> runEnds;
  if (afterCount > 0) {
    const BezierVertex& start = after.front();
    const BezierVertex& end = after[static_cast<std::size_t>(afterCount)];
    handles = {Plan(start.position), Plan(start.controlOut), Plan(end.position),
               Plan(end.controlIn)};
    runEnds = {Plan(start.position), Plan(end.position)};
  }
  const RunExtent extent = overlay ? ExtentOf(run, handles) : RunExtent{};
  TrackRest rest{vertices, {}};
  if (first > 0) rest.ranges.push_back({0, first - 1, 0.0});
  rest.ranges.push_back({first + count, segments - 1, extent.endLength});

  // With the track prepared, the plan's rest is the track's own plan line (moved, when the run
  // reaches beyond the track's box and so widens the view), and the rest of the track is
  // followed only where the profile shows.
  const bool restLeftOut = whole && lengthAt && whole->anyPlanSample;
  std::optional<Views> prepared;
  if (restLeftOut) {
    BoxBuilder plan;
    plan.Add(extent.plan.min);
    plan.Add(extent.plan.max);
    plan.Add(whole->planSamples.min);
    plan.Add(whole->planSamples.max);
    const double from = ProfileRange(extent).first;
    const int firstShown =
        FirstSegmentReaching(*lengthAt, 0, first, [&](double s) { return s >= from; });
    const ViewportMapping elevation =
        ElevationMapping(extent, StartingAt(rest, *lengthAt, firstShown));
    // The profile is drawn from a segment that lies wholly left of its frame, as the cut
    // there is the same as when the path is followed from its start.
    const double left = kElevationPanel.min.x - kClipMargin;
    const int entering = FirstSegmentReaching(*lengthAt, 0, first, [&](double s) {
      return !(elevation.Map({s, 0.0}).x < left);
    });
    rest = StartingAt(std::move(rest), *lengthAt, std::max(entering - 1, 0));
    prepared = Views{ViewportMapping(Padded(plan.box()), kPlanPanel, false), elevation};
  }
  const Views views = prepared      ? *prepared
                      : overlay     ? FocusedViews(extent, rest, planScope)
                      : wholeBounds ? WholeTrackViews(*wholeBounds)
                                    : WholeTrackViews(RestBounds(rest));
  const bool markRun = overlay && planScope == PlanScope::kWholeTrack;
  auto [restPlan, restElevation] =
      DrawRest(rest, views, overlay ? LineStyle::kRest : LineStyle::kTrack, !restLeftOut);
  auto [afterPlan, afterElevation] = DrawRun(run.after, views, LineStyle::kRunAfter);
  auto [beforePlan, beforeElevation] = DrawRun(run.before, views, LineStyle::kRunBefore);
  // The band follows the run as it was, beneath everything else in the plan.
  Polyline runMarker = markRun ? beforePlan : Polyline{};
  runMarker.style = LineStyle::kRunMarker;

  Drawing drawing;
  drawing.title = {{20, 26}, DisplayText(title), 16, Anchor::kStart, kTextColour};

  Frame planFrame =
      DrawView("plan", kPlanPanel, views.plan, "Plan, seen from above (x across, z down)",
               std::move(restPlan), std::move(afterPlan), std::move(beforePlan));
  if (!runMarker.strokes.empty()) {
    planFrame.lines.insert(planFrame.lines.begin(), std::move(runMarker));
  }
  // A run of the whole track leaves no rest to show.
  if (restLeftOut && (first > 0 || first + count < segments)) {
    const bool banded =
        !planFrame.lines.empty() && planFrame.lines.front().style == LineStyle::kRunMarker;
    planFrame.restAt = banded ? 1 : 0;
  }
  for (std::size_t i = 0; i + 1 < handles.size(); i += 2) {
    AddLine(planFrame,
            Draw(LineStyle::kHandle, {handles[i], handles[i + 1]}, views.plan, kPlanPanel));
  }
  const Colour handleColour = LookOf(LineStyle::kHandle).colour;
  for (std::size_t i = 0; i + 1 < handles.size(); i += 2) {
    AddMark(planFrame, views.plan.Map(handles[i + 1]), 3, handleColour, handleColour);
  }
  for (const Point2& p : runEnds) {
    AddMark(planFrame, views.plan.Map(p), 4.5, std::nullopt, kRunEndColour);
  }
  drawing.frames.push_back(std::move(planFrame));

  Frame elevationFrame = DrawView(
      "elevation", kElevationPanel, views.elevation, "Elevation: height y along the path length",
      std::move(restElevation), std::move(afterElevation), std::move(beforeElevation));
  for (const auto& end : {extent.profileStart, extent.profileEnd}) {
    if (end) AddMark(elevationFrame, views.elevation.Map(*end), 4.5, std::nullopt, kRunEndColour);
  }
  drawing.frames.push_back(std::move(elevationFrame));
  DrawLegend(drawing, overlay, markRun);
  return drawing;
}

}  // namespace

Drawing DrawTrack(std::span<const BezierVertex> vertices, const std::string& title,
                  const CombinedRun* overlay, PlanScope planScope) {
  return DrawPicture(vertices, title, overlay, planScope, {}, nullptr, nullptr);
}

WholeTrack PrepareWholeTrack(std::span<const BezierVertex> vertices) {
  TrackBounds bounds = BoundsOfTrack(vertices);
  WholeTrack whole;
  whole.planSamples = bounds.plan.box();
  whole.anyPlanSample = !bounds.plan.empty();
  whole.lengthAt = std::move(bounds.lengthAt);
  const std::pair<Box, Box> boxes{bounds.plan.box(), bounds.elevation.box()};
  whole.drawing = DrawPicture(vertices, "", nullptr, PlanScope::kRun, {}, nullptr, &boxes);
  return whole;
}

Drawing DrawRunOnWholeTrack(const WholeTrack& whole, std::span<const BezierVertex> vertices,
                            const std::string& title, const CombinedRun& overlay,
                            std::span<const BezierVertex> runBefore) {
  return DrawPicture(vertices, title, &overlay, PlanScope::kWholeTrack, runBefore, &whole, nullptr);
}

LineLook LookOf(LineStyle style) {
  // Colours that stay apart for colour-blind readers (the Okabe–Ito set) and greys.
  constexpr Colour kBlue = 0x0072B2;
  constexpr Colour kVermillion = 0xD55E00;
  switch (style) {
    case LineStyle::kTrack:
      return {kBlue, 2.5, false};
    case LineStyle::kRest:
      return {0xC8C8C8, 2, false};  // light grey
    case LineStyle::kRunBefore:
      return {0x6E6E6E, 1.5, true};  // dark grey
    case LineStyle::kRunAfter:
      return {kBlue, 3, false};
    case LineStyle::kHandle:
      return {kVermillion, 1.5, false};
    case LineStyle::kRunMarker:
      return {0xF0E442, 10, false};  // yellow
  }
  return {};
}

std::string ShortenedName(std::string_view name, std::size_t characters) {
  const std::string shown = DisplayText(name);
  const std::vector<Piece> pieces = PiecesOf(shown);
  std::size_t total = 0;
  for (const Piece& piece : pieces) total += piece.characters;
  if (total <= characters) return shown;
  // The start and the end share what the ellipsis leaves, the end taking the odd one (it
  // holds the extension); whole pieces only, so an escape may leave them a little shorter.
  const std::size_t room = characters > 0 ? characters - 1 : 0;
  const std::size_t headRoom = room / 2, tailRoom = room - headRoom;
  std::size_t head = 0, used = 0;
  while (head < pieces.size() && used + pieces[head].characters <= headRoom) {
    used += pieces[head++].characters;
  }
  std::size_t tail = pieces.size();
  used = 0;
  while (tail > head && used + pieces[tail - 1].characters <= tailRoom) {
    used += pieces[--tail].characters;
  }
  const auto startOf = [&](std::size_t piece) {
    return piece < pieces.size() ? pieces[piece].start : shown.size();
  };
  return shown.substr(0, startOf(head)) + "\u2026" + shown.substr(startOf(tail));
}

}  // namespace qu::plot
