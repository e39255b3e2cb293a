#include "plot/TrackPlot.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "geometry/VectorMath.h"
#include "plot/CurvePainter.h"
#include "plot/Legend.h"
#include "plot/Sampling.h"
#include "plot/Title.h"
#include "plot/TrackParts.h"

namespace qu::plot {
namespace {

// A polyline that has no stroke is left out.
void AddLine(Frame& frame, Polyline line) {
  if (!line.strokes.empty()) frame.lines.push_back(std::move(line));
}

void AddMark(Frame& frame, const Point2& centre, double radius, std::optional<Colour> fill,
             Colour outline) {
  if (IsFinite(centre)) frame.marks.push_back({centre, radius, fill, outline});
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
  drawing.title = TitleText(title);

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

}  // namespace qu::plot
