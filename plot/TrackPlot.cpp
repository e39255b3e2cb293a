#include "TrackPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "BezierPoint.h"
#include "DisplayText.h"
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

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
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

Box Padded(Box box) {
  const double pad = std::max({box.width(), box.height(), 1.0}) * 0.05;
  box.min.x -= pad;
  box.min.y -= pad;
  box.max.x += pad;
  box.max.y += pad;
  return box;
}

Point2 Plan(const Vector3& p) {
  return {p.x, p.z};
}

class SvgWriter {
 public:
  // In picture units: the picture is 800 units wide, and coordinates are written to 0.1.
  static constexpr double kMinStep = 0.25;

  void Open(const std::string& element) { out_ << "<" << element << ">\n"; }
  void Close(const std::string& name) { out_ << "</" << name << ">\n"; }
  void Raw(const std::string& text) { out_ << text; }

  // A polyline of the mapped points; non-finite points break it. A point closer than
  // kMinStep to the last one drawn adds nothing that can be seen and is left out, so a long
  // track costs what its drawing shows, not what its sampling holds; the last point of every
  // stroke is always kept.
  void Polyline(const std::vector<Point2>& points, const ViewportMapping& map, const char* colour,
                double width, bool dashed) {
    std::string d;
    bool pen = false;
    Point2 drawn;
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (!IsFinite(points[i])) {
        pen = false;
        continue;
      }
      const Point2 q = map.Map(points[i]);
      const bool strokeEnds = i + 1 == points.size() || !IsFinite(points[i + 1]);
      if (pen && !strokeEnds && std::hypot(q.x - drawn.x, q.y - drawn.y) < kMinStep) continue;
      d += (pen ? " L" : " M") + Number(q.x) + " " + Number(q.y);
      drawn = q;
      pen = true;
    }
    if (d.empty()) return;
    out_ << "<path d=\"" << d.substr(1) << "\" fill=\"none\" stroke=\"" << colour
         << "\" stroke-width=\"" << width << "\" stroke-linejoin=\"round\""
         << (dashed ? " stroke-dasharray=\"6 4\"" : "") << "/>\n";
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

// The curves of one view: the track's rest, the run before and after, in view coordinates.
struct ViewCurves {
  std::vector<Point2> context;
  std::vector<Point2> before;
  std::vector<Point2> after;
};

// Opens the view's group and its clipped drawing group, and draws the frame, label and
// curves; the caller adds the marks and closes both groups.
void DrawView(SvgWriter& svg, const char* name, const Box& panel, const char* label,
              const ViewportMapping& map, const ViewCurves& curves, bool combined) {
  svg.Open(std::string("g id=\"") + name + "\"");
  svg.Raw(std::string("<clipPath id=\"") + name + "-frame\"><rect x=\"" + Number(panel.min.x) +
          "\" y=\"" + Number(panel.min.y) + "\" width=\"" + Number(panel.width()) + "\" height=\"" +
          Number(panel.height()) + "\"/></clipPath>\n");
  svg.Frame(panel);
  svg.Text(panel.min.x + 6, panel.min.y + 16, label, 12);
  svg.Open(std::string("g clip-path=\"url(#") + name + "-frame)\"");
  svg.Polyline(curves.context, map, combined ? kContextColour : kAfterColour, combined ? 2 : 2.5,
               false);
  if (combined) {
    // The old run is dashed over the new one, so both show where they nearly coincide.
    svg.Polyline(curves.after, map, kAfterColour, 3, false);
    svg.Polyline(curves.before, map, kBeforeColour, 1.5, true);
  }
}

void DrawLegend(SvgWriter& svg, const std::optional<CombineOverlay>& overlay) {
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
    swatch(200, kAfterColour, false, "after COMBINE!");
    swatch(350, kHandleColour, false, "changed handles");
    swatch(500, kContextColour, false, "rest of the track");
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

}  // namespace

std::vector<Vector3> SamplePath(const std::vector<BezierVertex>& v, int first, int last,
                                int perSegment) {
  std::vector<Vector3> points;
  if (first < 0 || last < first || last + 1 >= static_cast<int>(v.size())) return points;
  for (int i = first; i <= last; ++i) {
    const BezierVertex& a = v[static_cast<std::size_t>(i)];
    const BezierVertex& b = v[static_cast<std::size_t>(i + 1)];
    for (int k = 0; k < perSegment; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(perSegment);
      points.push_back(BezierPoint(a.position, a.controlOut, b.position, b.controlIn, t));
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
  for (std::size_t i = 1; i < points.size(); ++i) {
    const double dx = double{points[i].x} - points[i - 1].x;
    const double dy = double{points[i].y} - points[i - 1].y;
    const double dz = double{points[i].z} - points[i - 1].z;
    length += std::sqrt(dx * dx + dy * dy + dz * dz);
  }
  return length;
}

std::vector<Point2> ElevationView(const std::vector<Vector3>& points, double startLength) {
  std::vector<Point2> profile;
  double length = startLength;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i > 0) length += PathLength({points[i - 1], points[i]});
    profile.push_back({length, points[i].y});
  }
  return profile;
}

Box BoundsOf(const std::vector<std::vector<Point2>>& groups) {
  std::optional<Box> box;
  for (const auto& group : groups) {
    for (const Point2& p : group) {
      if (!IsFinite(p)) continue;
      if (!box) box = Box{p, p};
      box->min = {std::min(box->min.x, p.x), std::min(box->min.y, p.y)};
      box->max = {std::max(box->max.x, p.x), std::max(box->max.y, p.y)};
    }
  }
  return box.value_or(Box{});
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

  // Sample the curves once and derive both views from them.
  const std::vector<Vector3> runBefore = SamplePath(vertices, 0, run - 1, kSamplesPerSegment);
  const std::vector<Vector3> runAfter =
      overlay ? SamplePath(overlay->after, 0, run - 1, kSamplesPerSegment) : std::vector<Vector3>();
  const std::vector<Vector3> rest = SamplePath(vertices, run, segments - 1, kSamplesPerSegment);
  const double restStart = PathLength(runBefore);

  const ViewCurves plan{PlanView(rest), PlanView(runBefore), PlanView(runAfter)};
  const ViewCurves elevation{ElevationView(rest, restStart), ElevationView(runBefore),
                             ElevationView(runAfter)};
  std::vector<Point2> handles;  // pairs: vertex, control point
  std::vector<Point2> runEnds;
  if (overlay && run > 0) {
    const BezierVertex& start = overlay->after.front();
    const BezierVertex& end = overlay->after[static_cast<std::size_t>(run)];
    handles = {Plan(start.position), Plan(start.controlOut), Plan(end.position),
               Plan(end.controlIn)};
    runEnds = {Plan(start.position), Plan(end.position)};
  }

  // Without a combine the whole track fills each view; with one, the run and its
  // neighbourhood do, and the rest of the track is cut at the frame. Heights are stretched to
  // fill the elevation view, lengths along the path are not.
  const Box planData = overlay ? FocusOn(BoundsOf({plan.before, plan.after, handles}), 0.6)
                               : Padded(BoundsOf({plan.context}));
  Box elevationData = Padded(BoundsOf({elevation.context, elevation.before, elevation.after}));
  if (overlay) {
    const Box runBox = BoundsOf({elevation.before, elevation.after});
    const double grow = std::max(runBox.width(), 1.0) * 0.6;
    const double from = runBox.min.x - grow, to = runBox.max.x + grow;
    std::vector<Point2> window;  // what of the whole profile falls inside the focus
    for (const auto* curve : {&elevation.context, &elevation.before, &elevation.after}) {
      for (const Point2& p : *curve) {
        if (p.x >= from && p.x <= to) window.push_back(p);
      }
    }
    elevationData = Padded(BoundsOf({window}));
    elevationData.min.x = from;
    elevationData.max.x = to;
  }
  const ViewportMapping planMap(planData, kPlanPanel, false);
  const ViewportMapping elevationMap(elevationData, kElevationPanel, true, false);

  SvgWriter svg;
  svg.Raw(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"400\" "
      "viewBox=\"0 0 800 400\" preserveAspectRatio=\"xMidYMid meet\" "
      "font-family=\"sans-serif\">\n");
  svg.Raw("<rect width=\"800\" height=\"400\" fill=\"#F7F7F7\"/>\n");
  svg.Text(20, 26, title, 16);

  DrawView(svg, "plan", kPlanPanel, "Plan, seen from above (x across, z down)", planMap, plan,
           overlay.has_value());
  for (std::size_t i = 0; i + 1 < handles.size(); i += 2) {
    svg.Polyline({handles[i], handles[i + 1]}, planMap, kHandleColour, 1.5, false);
    svg.Circle(planMap.Map(handles[i + 1]), 3, kHandleColour, kHandleColour);
  }
  for (const Point2& p : runEnds) svg.Circle(planMap.Map(p), 4.5, "none", "#000000");
  svg.Close("g");
  svg.Close("g");

  DrawView(svg, "elevation", kElevationPanel, "Elevation: height y along the path length",
           elevationMap, elevation, overlay.has_value());
  if (overlay && !elevation.before.empty()) {
    svg.Circle(elevationMap.Map(elevation.before.front()), 4.5, "none", "#000000");
    svg.Circle(elevationMap.Map(elevation.before.back()), 4.5, "none", "#000000");
  }
  svg.Close("g");
  svg.Close("g");
  DrawLegend(svg, overlay);
  svg.Raw("</svg>\n");
  return svg.str();
}

}  // namespace qu::plot
