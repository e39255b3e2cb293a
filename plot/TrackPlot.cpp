#include "TrackPlot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

#include "BezierPoint.h"
#include "DisplayText.h"
#include "Strokes.h"
#include "VectorMath.h"

namespace qu::plot {
namespace {

// Colours that stay apart for colour-blind readers (the Okabe–Ito set) and greys.
constexpr const char* kAfterColour = "#0072B2";    // blue
constexpr const char* kHandleColour = "#D55E00";   // vermillion
constexpr const char* kBeforeColour = "#6E6E6E";   // dark grey, dashed
constexpr const char* kContextColour = "#C8C8C8";  // light grey
constexpr int kSamplesPerSegment = 16;

const Box kPlanPanel{{20, 46}, {390, 326}};
const Box kElevationPanel{{410, 46}, {780, 326}};

// A segment whose samples all fit in a box this small on the page (its diagonal, in picture
// units) is drawn from its first sample alone: the others are that close to it. Lines are
// merged within what is left of kDrawTolerance, so that every sample stays within it.
constexpr double kDotSize = 0.01;
constexpr double kMergeTolerance = kDrawTolerance - kDotSize;

// Curves are cut this far outside their frame, so that the frame's own clip path, not the cut,
// decides where a line ends: more than half the widest stroke plus the tolerance.
constexpr double kClipMargin = 8.0;

// Coordinates are written to a tenth of a unit, without a trailing ".0".
void AppendNumber(std::string& out, double value) {
  if (!(std::fabs(value) < 1e15)) {  // far off the page, or not a number
    char text[400];
    std::snprintf(text, sizeof text, "%.1f", value);
    out += text;
    return;
  }
  long long tenths = std::llround(value * 10.0);
  if (tenths < 0) {
    out += '-';
    tenths = -tenths;
  }
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, tenths / 10).ptr;
  out.append(text, end);
  if (tenths % 10 != 0) {
    out += '.';
    out += static_cast<char>('0' + tenths % 10);
  }
}

std::string Number(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

// Character data for XML: the text made displayable (no control characters, valid UTF-8),
// then its markup characters escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : DisplayText(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

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

 private:
  double length_;
  Vector3 last_;
  bool started_ = false;
};

// The parameters every segment is sampled at, with their powers, computed once.
const std::array<BezierWeights, kSamplesPerSegment>& SampleWeights() {
  static const auto weights = [] {
    std::array<BezierWeights, kSamplesPerSegment> w{};
    for (int k = 0; k < kSamplesPerSegment; ++k) {
      w[static_cast<std::size_t>(k)] =
          BezierWeightsAt(static_cast<float>(k) / static_cast<float>(kSamplesPerSegment));
    }
    return w;
  }();
  return weights;
}

// Sample k of segment i.
Vector3 SegmentPoint(const std::vector<BezierVertex>& v, int i, int k) {
  const BezierVertex& a = v[static_cast<std::size_t>(i)];
  const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
  return BezierPoint(a.position, a.controlOut, b.position, b.controlIn,
                     SampleWeights()[static_cast<std::size_t>(k)]);
}

bool IsSegmentRange(const std::vector<BezierVertex>& v, int first, int last) {
  return first >= 0 && last >= first && last + 1 < static_cast<int>(v.size());
}

// Calls visit(point) with SamplePath's points in order, without storing them, until it
// returns false.
template <class Visit>
void ForEachSample(const std::vector<BezierVertex>& v, int first, int last, Visit visit) {
  if (!IsSegmentRange(v, first, last)) return;
  for (int i = first; i <= last; ++i) {
    for (int k = 0; k < kSamplesPerSegment; ++k) {
      if (!visit(SegmentPoint(v, i, k))) return;
    }
  }
  visit(v[static_cast<std::size_t>(last + 1)].position);
}

// Writes strokes as SVG path data: "M x y L x y x y …", points that round to the same
// coordinates as the one before written once.
class PathData : public StrokeSink {
 public:
  void MoveTo(const Point2& p) override { Write(p, "M"); }
  void LineTo(const Point2& p) override {
    if (Rounded(p) == last_) return;
    Write(p, lineStarted_ ? nullptr : "L");
  }
  void EndStroke() override {}
  std::string Take() { return std::move(d_); }

 private:
  static std::array<long long, 2> Rounded(const Point2& p) {
    return {std::llround(p.x * 10.0), std::llround(p.y * 10.0)};
  }
  void Write(const Point2& p, const char* command) {
    if (!d_.empty()) d_ += ' ';
    if (command) d_ += command;
    AppendNumber(d_, p.x);
    d_ += ' ';
    AppendNumber(d_, p.y);
    last_ = Rounded(p);
    lineStarted_ = command == nullptr || command[0] == 'L';
  }

  std::string d_;
  std::array<long long, 2> last_{};
  bool lineStarted_ = false;
};

// A curve's way into the picture: its points in picture units are cut to the frame, merged
// within kDrawTolerance and written as path data.
class Pen {
 public:
  explicit Pen(const Box& frame)
      : simplifier_(kMergeTolerance, data_), clipper_(Grown(frame, kClipMargin), simplifier_) {}
  void Add(const Point2& p) { clipper_.Add(p); }
  // The curve is interrupted: the next point starts a new stroke.
  void Break() { clipper_.Break(); }
  std::string Finish() {
    clipper_.Break();
    simplifier_.EndStroke();
    return data_.Take();
  }

 private:
  PathData data_;
  LineSimplifier simplifier_;
  FrameClipper clipper_;
};

Box Padded(const Box& box) {
  return Grown(box, std::max({box.width(), box.height(), 1.0}) * 0.05);
}

Point2 Plan(const Vector3& p) {
  return {p.x, p.z};
}

class SvgWriter {
 public:
  void Open(const std::string& element) { out_ << "<" << element << ">\n"; }
  void Close(const std::string& name) { out_ << "</" << name << ">\n"; }
  void Raw(const std::string& text) { out_ << text; }

  // A path of strokes; nothing when there is none.
  void Path(const std::string& d, const char* colour, double width, bool dashed) {
    if (d.empty()) return;
    out_ << "<path d=\"" << d << "\" fill=\"none\" stroke=\"" << colour << "\" stroke-width=\""
         << width << "\" stroke-linejoin=\"round\"" << (dashed ? " stroke-dasharray=\"6 4\"" : "")
         << "/>\n";
  }

  // A polyline of the mapped points as it shows in the frame; non-finite points break it.
  void Polyline(const std::vector<Point2>& points, const ViewportMapping& map, const Box& frame,
                const char* colour, double width, bool dashed) {
    Pen pen(frame);
    for (const Point2& p : points) pen.Add(map.Map(p));
    Path(pen.Finish(), colour, width, dashed);
  }

  void Circle(const Point2& centre, double radius, const char* fill, const char* stroke) {
    if (!IsFinite(centre)) return;
    out_ << "<circle cx=\"" << Number(centre.x) << "\" cy=\"" << Number(centre.y) << "\" r=\""
         << radius << "\" fill=\"" << fill << "\" stroke=\"" << stroke << "\"/>\n";
  }

  void Text(double x, double y, const std::string& text, int size, const char* anchor = "start") {
    out_ << "<text x=\"" << Number(x) << "\" y=\"" << Number(y) << "\" font-size=\"" << size
         << "\" text-anchor=\"" << anchor << "\">" << Escaped(text) << "</text>\n";
  }

  void Frame(const Box& b) {
    out_ << "<rect x=\"" << Number(b.min.x) << "\" y=\"" << Number(b.min.y) << "\" width=\""
         << Number(b.width()) << "\" height=\"" << Number(b.height())
         << "\" fill=\"#FFFFFF\" stroke=\"#888888\" stroke-width=\"0.5\"/>\n";
  }

  std::string str() const { return out_.str(); }

 private:
  std::ostringstream out_;
};

// The run before and after a combine, sampled and stored: at most kMaxCombinedSegments
// segments.
struct RunCurves {
  std::vector<Point2> before;
  std::vector<Point2> after;
};

// The rest of the track, segments first … last, streamed from its vertices; its profile
// starts at `startLength`.
struct TrackRest {
  const std::vector<BezierVertex>& vertices;
  int first = 0;
  int last = -1;
  double startLength = 0.0;
};

// The rest as drawn in each view: path data.
struct RestDrawing {
  std::string plan;
  std::string elevation;
};

// How each view maps onto the picture.
struct Views {
  ViewportMapping plan;
  ViewportMapping elevation;
};

// The boxes around all of the rest's samples in both views.
std::pair<Box, Box> RestBounds(const TrackRest& rest) {
  BoxBuilder plan;
  BoxBuilder elevation;
  PathLengthCounter length(rest.startLength);
  ForEachSample(rest.vertices, rest.first, rest.last, [&](const Vector3& p) {
    plan.Add(Plan(p));
    elevation.Add({length.Add(p), p.y});
    return true;
  });
  return {plan.box(), elevation.box()};
}

// The box around the points of the profiles whose length lies in from … to. Lengths only grow
// along the rest, so it is followed only up to `to`.
Box ProfileWindow(const RunCurves& run, const TrackRest& rest, double from, double to) {
  BoxBuilder window;
  for (const auto* curve : {&run.before, &run.after}) {
    for (const Point2& p : *curve) {
      if (p.x >= from && p.x <= to) window.Add(p);
    }
  }
  PathLengthCounter length(rest.startLength);
  ForEachSample(rest.vertices, rest.first, rest.last, [&](const Vector3& p) {
    const double s = length.Add(p);
    if (s >= from && s <= to) window.Add({s, p.y});
    return !(s > to);
  });
  return window.box();
}

// Where segment i's control points lie, and so its curve: their box in the plan, in picture
// units, and their range of heights.
struct SegmentHull {
  bool finite = false;
  Box plan;
  double lowest = 0.0;
  double highest = 0.0;
};

SegmentHull HullOf(const std::vector<BezierVertex>& v, int i, const ViewportMapping& planMap) {
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
  box = Grown(box, 1e-6 * std::max({std::fabs(box.min.x), std::fabs(box.min.y),
                                    std::fabs(box.max.x), std::fabs(box.max.y)}));
  const Point2 p = planMap.Map(box.min);
  const Point2 q = planMap.Map(box.max);
  hull.plan = {{std::min(p.x, q.x), std::min(p.y, q.y)}, {std::max(p.x, q.x), std::max(p.y, q.y)}};
  return hull;
}

// Whether a segment can come near the plan's frame. Points that are not finite count as near,
// so that their samples break the line as they do elsewhere.
bool MeetsPlanFrame(const SegmentHull& hull) {
  const Box frame = Grown(kPlanPanel, kClipMargin);
  return !hull.finite || (hull.plan.max.x >= frame.min.x && hull.plan.min.x <= frame.max.x &&
                          hull.plan.max.y >= frame.min.y && hull.plan.min.y <= frame.max.y);
}

// How many of a segment's samples are drawn: all, or only the first where all of them fit in
// a box of width × height on the page whose diagonal is at most kDotSize.
int DrawnSamples(bool finite, double width, double height) {
  return finite && width * width + height * height <= kDotSize * kDotSize ? 1 : kSamplesPerSegment;
}

// Draws the rest in both views from one pass over its samples. The profile is followed until
// it leaves its frame on the right, where it stays, as lengths only grow; after that, a
// segment that cannot come near the plan's frame is not sampled at all.
class RestPainter {
 public:
  RestPainter(const TrackRest& rest, const Views& views)
      : rest_(rest), views_(views), length_(rest.startLength) {}

  void Segment(int i) {
    const SegmentHull hull = HullOf(rest_.vertices, i, views_.plan);
    const bool meets = MeetsPlanFrame(hull);
    // The segment's first sample also ends the line from the one before.
    const int toPlan = meets ? DrawnSamples(hull.finite, hull.plan.width(), hull.plan.height())
                             : (lastMet_ ? 1 : 0);
    Sample(i, profileOpen_ ? kSamplesPerSegment : toPlan);
    for (int k = 0; k < toPlan; ++k) ToPlan(points_[static_cast<std::size_t>(k)]);
    if (!meets) plan_.Break();
    lastMet_ = meets;
    if (!profileOpen_) return;
    const double run = (lengths_.back() - lengths_.front()) * views_.elevation.scaleX();
    const double rise = (hull.highest - hull.lowest) * views_.elevation.scaleY();
    const int toProfile = DrawnSamples(hull.finite, run, rise);
    for (int k = 0; k < toProfile && profileOpen_; ++k) {
      ToProfile(lengths_[static_cast<std::size_t>(k)], points_[static_cast<std::size_t>(k)].y);
    }
  }

  RestDrawing Finish() {
    const Vector3& end = rest_.vertices[static_cast<std::size_t>(rest_.last + 1)].position;
    if (lastMet_) ToPlan(end);
    if (profileOpen_) ToProfile(length_.Add(end), end.y);
    return {plan_.Finish(), elevation_.Finish()};
  }

 private:
  // The first `count` samples of segment i, with their lengths while the profile needs them.
  void Sample(int i, int count) {
    for (int k = 0; k < count; ++k) {
      const auto at = static_cast<std::size_t>(k);
      points_[at] = SegmentPoint(rest_.vertices, i, k);
      if (profileOpen_) lengths_[at] = length_.Add(points_[at]);
    }
  }

  void ToPlan(const Vector3& p) { plan_.Add(views_.plan.Map(Plan(p))); }

  void ToProfile(double s, double height) {
    const Point2 q = views_.elevation.Map({s, height});
    elevation_.Add(q);
    profileOpen_ = !(q.x > kElevationPanel.max.x + kClipMargin);
  }

  const TrackRest& rest_;
  const Views& views_;
  Pen plan_{kPlanPanel};
  Pen elevation_{kElevationPanel};
  PathLengthCounter length_;
  bool profileOpen_ = true;
  bool lastMet_ = false;  // whether the segment before can come near the plan's frame
  std::array<Vector3, kSamplesPerSegment> points_{};
  std::array<double, kSamplesPerSegment> lengths_{};
};

RestDrawing DrawRest(const TrackRest& rest, const Views& views) {
  if (!IsSegmentRange(rest.vertices, rest.first, rest.last)) return {};
  RestPainter painter(rest, views);
  for (int i = rest.first; i <= rest.last; ++i) painter.Segment(i);
  return painter.Finish();
}

// Opens the view's group and its clipped drawing group, and draws the frame, label and
// curves; the caller adds the marks and closes both groups.
void DrawView(SvgWriter& svg, const char* name, const Box& panel, const char* label,
              const ViewportMapping& map, const std::string& rest, const RunCurves& run,
              bool combined) {
  svg.Open(std::string("g id=\"") + name + "\"");
  svg.Raw(std::string("<clipPath id=\"") + name + "-frame\"><rect x=\"" + Number(panel.min.x) +
          "\" y=\"" + Number(panel.min.y) + "\" width=\"" + Number(panel.width()) + "\" height=\"" +
          Number(panel.height()) + "\"/></clipPath>\n");
  svg.Frame(panel);
  svg.Text(panel.min.x + 6, panel.min.y + 16, label, 12);
  svg.Open(std::string("g clip-path=\"url(#") + name + "-frame)\"");
  svg.Path(rest, combined ? kContextColour : kAfterColour, combined ? 2 : 2.5, false);
  if (combined) {
    // The old run is dashed over the new one, so both show where they nearly coincide.
    svg.Polyline(run.after, map, panel, kAfterColour, 3, false);
    svg.Polyline(run.before, map, panel, kBeforeColour, 1.5, true);
  }
}

void DrawLegend(SvgWriter& svg, const std::optional<CombineOverlay>& overlay) {
  // The run's label is the longest: "first 6553 segments before" ends near x = 225.
  const double y = 352;
  auto swatch = [&](double x, const char* colour, bool dashed, const std::string& label) {
    svg.Raw("<line x1=\"" + Number(x) + "\" y1=\"" + Number(y - 4) + "\" x2=\"" + Number(x + 24) +
            "\" y2=\"" + Number(y - 4) + "\" stroke=\"" + colour + "\" stroke-width=\"2.5\"" +
            (dashed ? " stroke-dasharray=\"6 4\"" : "") + "/>\n");
    svg.Text(x + 30, y, label, 12);
  };
  svg.Open("g id=\"legend\" font-family=\"sans-serif\" fill=\"#222222\"");
  if (overlay) {
    const std::string run = "first " + std::to_string(overlay->segments) + " segment" +
                            (overlay->segments == 1 ? "" : "s");
    swatch(20, kBeforeColour, true, run + " before");
    swatch(240, kAfterColour, false, "after COMBINE!");
    swatch(380, kHandleColour, false, "changed handles");
    swatch(530, kContextColour, false, "rest of the track");
    char deviation[64];
    std::snprintf(deviation, sizeof deviation, "%.6g", overlay->maxDeviation);
    svg.Text(20, y + 22,
             std::string("Largest deviation of the fit: ") + deviation +
                 " track units. Circles: the run's end vertices.",
             12);
  } else {
    swatch(20, kAfterColour, false, "track path");
  }
  svg.Text(780, y + 22, "y is up", 12, "end");
  svg.Close("g");
}

// Without a combine the whole track fills each view. Heights are stretched to fill the
// elevation view, lengths along the path are not.
Views WholeTrackViews(const TrackRest& track) {
  const auto [plan, elevation] = RestBounds(track);
  return {ViewportMapping(Padded(plan), kPlanPanel, false),
          ViewportMapping(Padded(elevation), kElevationPanel, true, false)};
}

// With a combine the run and its neighbourhood fill each view, and the rest of the track is
// cut at the frame.
Views FocusedViews(const RunCurves& plan, const std::vector<Point2>& handles,
                   const RunCurves& elevation, const TrackRest& rest) {
  const Box planData = FocusOn(BoundsOf({plan.before, plan.after, handles}), 0.6);
  const Box runBox = BoundsOf({elevation.before, elevation.after});
  const double grow = std::max(runBox.width(), 1.0) * 0.6;
  const double from = runBox.min.x - grow, to = runBox.max.x + grow;
  Box elevationData = Padded(ProfileWindow(elevation, rest, from, to));
  elevationData.min.x = from;
  elevationData.max.x = to;
  return {ViewportMapping(planData, kPlanPanel, false),
          ViewportMapping(elevationData, kElevationPanel, true, false)};
}

}  // namespace

std::vector<Vector3> SamplePath(const std::vector<BezierVertex>& v, int first, int last,
                                int perSegment) {
  std::vector<Vector3> points;
  if (!IsSegmentRange(v, first, last)) return points;
  for (int i = first; i <= last; ++i) {
    const BezierVertex& a = v[static_cast<std::size_t>(i)];
    const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
    for (int k = 0; k < perSegment; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(perSegment);
      points.push_back(perSegment == kSamplesPerSegment
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

Box FocusOn(const Box& run, double margin) {
  const double grow = std::max({run.width(), run.height(), 1.0}) * margin;
  return {{run.min.x - grow, run.min.y - grow}, {run.max.x + grow, run.max.y + grow}};
}

std::string RenderSvg(const std::vector<BezierVertex>& vertices, const std::string& title,
                      const std::optional<CombineOverlay>& overlay) {
  const int segments = std::max(static_cast<int>(vertices.size()) - 1, 0);
  const int run = overlay ? std::clamp(overlay->segments, 0, segments) : 0;

  // The run is sampled once and both views derived from it; the rest of the track is
  // streamed, once for its extent where that sets the views, and once to draw it.
  const std::vector<Vector3> runBefore = SamplePath(vertices, 0, run - 1, kSamplesPerSegment);
  const std::vector<Vector3> runAfter =
      overlay ? SamplePath(overlay->after, 0, run - 1, kSamplesPerSegment) : std::vector<Vector3>();
  const TrackRest rest{vertices, run, segments - 1, PathLength(runBefore)};
  const RunCurves plan{PlanView(runBefore), PlanView(runAfter)};
  const RunCurves elevation{ElevationView(runBefore), ElevationView(runAfter)};
  std::vector<Point2> handles;  // pairs: vertex, control point
  std::vector<Point2> runEnds;
  if (overlay && run > 0) {
    const BezierVertex& start = overlay->after.front();
    const BezierVertex& end = overlay->after[static_cast<std::size_t>(run)];
    handles = {Plan(start.position), Plan(start.controlOut), Plan(end.position),
               Plan(end.controlIn)};
    runEnds = {Plan(start.position), Plan(end.position)};
  }

  const Views views =
      overlay ? FocusedViews(plan, handles, elevation, rest) : WholeTrackViews(rest);
  const RestDrawing restDrawing = DrawRest(rest, views);

  SvgWriter svg;
  svg.Raw(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"400\" "
      "viewBox=\"0 0 800 400\" preserveAspectRatio=\"xMidYMid meet\" "
      "font-family=\"sans-serif\">\n");
  svg.Raw("<rect width=\"800\" height=\"400\" fill=\"#F7F7F7\"/>\n");
  svg.Text(20, 26, title, 16);

  DrawView(svg, "plan", kPlanPanel, "Plan, seen from above (x across, z down)", views.plan,
           restDrawing.plan, plan, overlay.has_value());
  for (std::size_t i = 0; i + 1 < handles.size(); i += 2) {
    svg.Polyline({handles[i], handles[i + 1]}, views.plan, kPlanPanel, kHandleColour, 1.5, false);
    svg.Circle(views.plan.Map(handles[i + 1]), 3, kHandleColour, kHandleColour);
  }
  for (const Point2& p : runEnds) svg.Circle(views.plan.Map(p), 4.5, "none", "#000000");
  svg.Close("g");
  svg.Close("g");

  DrawView(svg, "elevation", kElevationPanel, "Elevation: height y along the path length",
           views.elevation, restDrawing.elevation, elevation, overlay.has_value());
  if (overlay && !elevation.before.empty()) {
    svg.Circle(views.elevation.Map(elevation.before.front()), 4.5, "none", "#000000");
    svg.Circle(views.elevation.Map(elevation.before.back()), 4.5, "none", "#000000");
  }
  svg.Close("g");
  svg.Close("g");
  DrawLegend(svg, overlay);
  svg.Raw("</svg>\n");
  return svg.str();
}

}  // namespace qu::plot
