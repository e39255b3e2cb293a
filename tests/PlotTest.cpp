#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "plot/Legend.h"
#include "plot/Sampling.h"
#include "plot/Strokes.h"
#include "plot/SvgWriter.h"
#include "plot/Title.h"
#include "plot/TrackPlot.h"
#include "plot/Views.h"
#include "text/DisplayText.h"
#include "text/ShortenedName.h"

namespace qu::plot {
namespace {

TEST(Plot, SamplesEverySegmentDenselyAndEndsOnTheLastVertex) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const auto points = SamplePath(vertices, 0, 2, 16);
  ASSERT_EQ(points.size(), 3u * 16 + 1);
  EXPECT_EQ(points.front().x, vertices[0].position.x);
  EXPECT_EQ(points[16].z, vertices[1].position.z);
  EXPECT_EQ(points.back().y, vertices[3].position.y);
  EXPECT_TRUE(SamplePath(vertices, 0, 45, 16).empty());  // past the last vertex
  EXPECT_TRUE(SamplePath(vertices, 3, 2, 16).empty());
}

TEST(Plot, BoundsIgnorePointsThatAreNotFinite) {
  const Box box = BoundsOf({{{1, 2}, {-3, 5}}, {{NAN, 100}, {0, INFINITY}, {4, -1}}});
  EXPECT_EQ(box.min.x, -3);
  EXPECT_EQ(box.min.y, -1);
  EXPECT_EQ(box.max.x, 4);
  EXPECT_EQ(box.max.y, 5);
  const Box none = BoundsOf({{{NAN, NAN}}});
  EXPECT_EQ(none.width(), 0);
}

TEST(Plot, MappingKeepsTheAspectAndCentres) {
  const Box data{{0, 0}, {10, 5}};
  const Box viewport{{100, 0}, {200, 100}};
  const ViewportMapping kept(data, viewport, false);
  EXPECT_EQ(kept.scaleX(), 10);
  EXPECT_EQ(kept.scaleY(), 10);
  EXPECT_EQ(kept.Map({0, 0}).x, 100);
  EXPECT_EQ(kept.Map({0, 0}).y, 25);  // 50 units of height, centred in 100
  EXPECT_EQ(kept.Map({10, 5}).y, 75);
  const ViewportMapping flipped(data, viewport, true);
  EXPECT_EQ(flipped.Map({0, 5}).y, 25);  // the highest value is at the top
  const ViewportMapping stretched(data, viewport, true, false);
  EXPECT_EQ(stretched.scaleY(), 20);
  EXPECT_EQ(stretched.Map({10, 0}).y, 100);
  const ViewportMapping point(Box{{3, 3}, {3, 3}}, viewport, false);
  EXPECT_EQ(point.Map({3, 3}).x, 150);  // a single point lands in the middle
}

TEST(Plot, ElevationRunsAlongThePathLength) {
  const std::vector<Vector3> path = {{0, 0, 0}, {3, 4, 0}, {3, 4, 12}};
  const auto profile = ElevationView(path, 10);
  ASSERT_EQ(profile.size(), 3u);
  EXPECT_EQ(profile[0].x, 10);
  EXPECT_EQ(profile[1].x, 15);
  EXPECT_EQ(profile[2].x, 27);
  EXPECT_EQ(profile[2].y, 4);
  EXPECT_EQ(PathLength(path), 17);
  const auto plan = PlanView(path);
  EXPECT_EQ(plan[2].x, 3);
  EXPECT_EQ(plan[2].y, 12);  // the plan shows z, not the height
}

double DistanceToLine(const Point2& p, const Point2& a, const Point2& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t =
      length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// A dense path in picture units: a view of the curve's samples mapped onto a panel.
std::vector<Point2> Dense(const std::vector<Point2>& view) {
  const ViewportMapping map(BoundsOf({view}), Box{{20, 46}, {390, 326}}, true, false);
  std::vector<Point2> mapped;
  for (const Point2& p : view) mapped.push_back(map.Map(p));
  return mapped;
}

TEST(Plot, SimplifiedLinesStayWithinTheToleranceOfTheDensePath) {
  const auto sample = SamplePath(samples::MakeSampleTrack().bezr.Vertices, 0, 43, 16);
  const auto longPath = SamplePath(samples::MakeSmoothPath(3000), 0, 2998, 16);
  // Gentle curves, sharp turns, and a profile that swings up and down many times per unit.
  for (const auto& dense : {Dense(PlanView(sample)), Dense(ElevationView(sample)),
                            Dense(PlanView(longPath)), Dense(ElevationView(longPath))}) {
    const std::vector<Point2> kept = SimplifyPolyline(dense, kDrawTolerance);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_LT(kept.size(), dense.size() / 2);
    // The kept points are some of the dense points, the ends among them; every dense point
    // lies near the line between the kept points around it.
    std::size_t next = 1;  // the kept point that ends the current line
    EXPECT_EQ(kept.front().x, dense.front().x);
    for (std::size_t i = 1; i < dense.size() && next < kept.size(); ++i) {
      const double off = DistanceToLine(dense[i], kept[next - 1], kept[next]);
      EXPECT_LE(off, kDrawTolerance + 1e-9) << "dense point " << i;
      if (dense[i].x == kept[next].x && dense[i].y == kept[next].y) ++next;
    }
    EXPECT_EQ(next, kept.size()) << "the kept points are not in the dense path, in order";
  }
}

TEST(Plot, ClippingKeepsTheLinesThatCrossTheFrame) {
  const Box frame{{0, 0}, {10, 10}};
  // Straight across, both ends outside: cut at the edges.
  auto strokes = ClipPolyline({{-5, 5}, {15, 5}}, frame);
  ASSERT_EQ(strokes.size(), 1u);
  ASSERT_EQ(strokes[0].size(), 2u);
  EXPECT_EQ(strokes[0][0].x, 0);
  EXPECT_EQ(strokes[0][1].x, 10);
  // Across a corner, both ends outside.
  EXPECT_EQ(ClipPolyline({{-1, 2}, {2, -1}}, frame).size(), 1u);
  // Out and back in: two strokes, each ending on the edge.
  strokes = ClipPolyline({{5, 5}, {20, 5}, {20, 8}, {5, 8}}, frame);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].back().x, 10);
  EXPECT_EQ(strokes[1].front().x, 10);
  EXPECT_EQ(strokes[1].back().x, 5);
  // Wholly outside: nothing.
  EXPECT_TRUE(ClipPolyline({{-5, -5}, {-1, 20}, {30, 20}}, frame).empty());
}

TEST(Plot, ALargeTrackGivesASmallPicture) {
  const auto vertices = samples::MakeSmoothPath(200000);
  EXPECT_LE(WriteSvg(DrawTrack(vertices, "large")).size(), 1'000'000u);
  const CombinedCopy combined = CombineCopyOfRun(vertices, {0, 50});
  ASSERT_TRUE(combined.combined);
  EXPECT_LE(WriteSvg(DrawTrack(vertices, "large", &*combined.combined)).size(), 1'000'000u);
}

// Whether two vertex tables hold the same bytes.
bool SameBytes(std::span<const BezierVertex> a, std::span<const BezierVertex> b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(BezierVertex)) == 0);
}

// The combine of a copy of the run alone, the overlay a picture draws: the same bits and the
// same refusals as CombineSegments on the whole table, and the track untouched.
TEST(Plot, TheOverlayIsTheCombineOfTheRun) {
  std::vector<BezierVertex> broken = samples::MakeSampleTrack().bezr.Vertices;
  broken[5].controlIn.y = NAN;
  struct Row {
    const char* name;
    std::vector<BezierVertex> vertices;
    int count;
  };
  const std::vector<Row> rows = {
      {"3 of the sample", samples::MakeSampleTrack().bezr.Vertices, 3},
      {"1 of the sample", samples::MakeSampleTrack().bezr.Vertices, 1},
      {"all 44 of the sample", samples::MakeSampleTrack().bezr.Vertices, 44},
      {"45 of 44", samples::MakeSampleTrack().bezr.Vertices, 45},
      {"none", samples::MakeSampleTrack().bezr.Vertices, 0},
      {"the longest", samples::MakeSmoothPath(6554), 6553},
      {"one too long", samples::MakeSmoothPath(6600), 6554},
      {"over a vertex that is not finite", broken, 6},
      {"before a vertex that is not finite", broken, 3},
      {"an empty track", {}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<BezierVertex> before = row.vertices;
    VertexChunk whole;
    whole.Vertices = row.vertices;
    const CombineResult expected = CombineSegments(whole, 0, row.count - 1);
    const CombinedCopy built = CombineCopyOfRun(row.vertices, {0, row.count});
    EXPECT_EQ(built.combine.refusal, expected.refusal);
    EXPECT_EQ(built.combine.reason, expected.reason);
    EXPECT_EQ(built.combined.has_value(), expected.combined());
    EXPECT_TRUE(SameBytes(before, row.vertices));
    if (!built.combined) continue;
    const CombinedRun& overlay = *built.combined;
    EXPECT_EQ(overlay.run.first, 0);
    EXPECT_EQ(overlay.run.count, row.count);
    EXPECT_EQ(overlay.maxDeviation, expected.maxDeviation);
    ASSERT_EQ(overlay.after.size(), static_cast<std::size_t>(row.count) + 1);
    EXPECT_TRUE(SameBytes(overlay.after, {whole.Vertices.data(), overlay.after.size()}));
  }
}

std::vector<LineStyle> StylesOf(const Frame& frame) {
  std::vector<LineStyle> styles;
  for (const Polyline& line : frame.lines) styles.push_back(line.style);
  return styles;
}

std::size_t PointsOf(const Polyline& line) {
  std::size_t points = 0;
  for (const auto& stroke : line.strokes) points += stroke.size();
  return points;
}

// Every point drawn lies near its frame: no further out than the widest line and the
// tolerance, so that only the frame's clip decides where a line ends.
void ExpectNearTheFrame(const Frame& frame) {
  for (const Polyline& line : frame.lines) {
    for (const auto& stroke : line.strokes) {
      EXPECT_GE(stroke.size(), 2u);
      for (const Point2& p : stroke) {
        EXPECT_GE(p.x, frame.box.min.x - 8.001);
        EXPECT_LE(p.x, frame.box.max.x + 8.001);
        EXPECT_GE(p.y, frame.box.min.y - 8.001);
        EXPECT_LE(p.y, frame.box.max.y + 8.001);
      }
    }
  }
}

TEST(PlotDrawing, APlainTrackIsOneCurveInEachFrame) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const Drawing drawing = DrawTrack(vertices, "caf\xE9 <&>.qutrack");
  EXPECT_EQ(drawing.width, 800);
  EXPECT_EQ(drawing.height, 400);
  EXPECT_EQ(drawing.title.text, "caf\\xE9 <&>.qutrack");
  EXPECT_EQ(drawing.title.size, 16);
  ASSERT_EQ(drawing.frames.size(), 2u);
  const Frame& plan = drawing.frames[0];
  const Frame& elevation = drawing.frames[1];
  EXPECT_EQ(plan.name, "plan");
  EXPECT_EQ(elevation.name, "elevation");
  // The clip rectangles: two boxes side by side beneath the title.
  EXPECT_EQ(plan.box.min.x, 20);
  EXPECT_EQ(plan.box.min.y, 46);
  EXPECT_EQ(plan.box.max.x, 390);
  EXPECT_EQ(plan.box.max.y, 326);
  EXPECT_EQ(elevation.box.min.x, 410);
  EXPECT_EQ(elevation.box.max.x, 780);
  EXPECT_EQ(plan.label.text, "Plan, seen from above (x across, z down)");
  EXPECT_EQ(elevation.label.text, "Elevation: height y along the path length");
  for (const Frame* frame : {&plan, &elevation}) {
    EXPECT_EQ(StylesOf(*frame), std::vector<LineStyle>{LineStyle::kTrack});
    EXPECT_EQ(frame->lines[0].strokes.size(), 1u);
    // 44 segments of 16 samples: merged to far fewer points, but more than a few.
    EXPECT_GT(PointsOf(frame->lines[0]), 20u);
    EXPECT_LT(PointsOf(frame->lines[0]), 44u * 16 / 2);
    EXPECT_TRUE(frame->marks.empty());
    ExpectNearTheFrame(*frame);
  }
  ASSERT_EQ(drawing.legend.size(), 1u);
  EXPECT_EQ(drawing.legend[0].label.text, "track path");
  EXPECT_FALSE(drawing.deviation);
  EXPECT_EQ(drawing.axisNote.text, "y is up");
  EXPECT_EQ(drawing.axisNote.anchor, Anchor::kEnd);
}

TEST(PlotDrawing, ACombineShowsTheRunBeforeAndAfterAndTheHandles) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const CombinedCopy combined = CombineCopyOfRun(vertices, {0, 3});
  ASSERT_TRUE(combined.combined);
  const Drawing drawing = DrawTrack(vertices, "sample", &*combined.combined);
  ASSERT_EQ(drawing.frames.size(), 2u);
  const Frame& plan = drawing.frames[0];
  const Frame& elevation = drawing.frames[1];
  // The rest of the track, the new run, the old one dashed on top; in the plan, the handles.
  EXPECT_EQ(StylesOf(plan),
            (std::vector<LineStyle>{LineStyle::kRest, LineStyle::kRunAfter, LineStyle::kRunBefore,
                                    LineStyle::kHandle, LineStyle::kHandle}));
  EXPECT_EQ(StylesOf(elevation), (std::vector<LineStyle>{LineStyle::kRest, LineStyle::kRunAfter,
                                                         LineStyle::kRunBefore}));
  for (const Frame* frame : {&plan, &elevation}) {
    // The run is drawn whole, from 3 × 16 samples and its end.
    for (std::size_t i = 1; i <= 2; ++i) {
      EXPECT_EQ(frame->lines[i].strokes.size(), 1u);
      EXPECT_GE(PointsOf(frame->lines[i]), 2u);
      EXPECT_LE(PointsOf(frame->lines[i]), 3u * 16 + 1);
    }
    ExpectNearTheFrame(*frame);
  }
  // A handle is a line from its vertex to its control point, which a dot marks.
  EXPECT_EQ(PointsOf(plan.lines[3]), 2u);
  EXPECT_EQ(PointsOf(plan.lines[4]), 2u);
  ASSERT_EQ(plan.marks.size(), 4u);
  EXPECT_EQ(plan.marks[0].radius, 3);
  EXPECT_TRUE(plan.marks[0].fill);
  EXPECT_EQ(plan.marks[0].centre.x, plan.lines[3].strokes[0].back().x);
  EXPECT_EQ(plan.marks[2].radius, 4.5);  // the run's ends
  EXPECT_FALSE(plan.marks[2].fill);
  EXPECT_EQ(plan.marks[2].centre.x, plan.lines[2].strokes[0].front().x);
  EXPECT_EQ(elevation.marks.size(), 2u);

  std::vector<std::string> legend;
  for (const LegendEntry& entry : drawing.legend) legend.push_back(entry.label.text);
  EXPECT_EQ(legend, (std::vector<std::string>{"first 3 segments before", "after COMBINE!",
                                              "changed handles", "rest of the track"}));
  ASSERT_TRUE(drawing.deviation);
  EXPECT_EQ(drawing.deviation->text,
            "Largest deviation of the fit: 1.01334 track units. Circles: the run's end vertices.");
}

TEST(PlotDrawing, ARunOfTheWholeTrackLeavesNoRest) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const CombinedCopy combined = CombineCopyOfRun(vertices, {0, 44});
  ASSERT_TRUE(combined.combined);
  const Drawing drawing = DrawTrack(vertices, "sample", &*combined.combined);
  EXPECT_EQ(StylesOf(drawing.frames[1]),
            (std::vector<LineStyle>{LineStyle::kRunAfter, LineStyle::kRunBefore}));
}

// A run that starts later: the track before it and after it are the rest, broken where the
// run is, and the run's profile goes on from the length before it.
TEST(PlotDrawing, ARunThatStartsLaterHasTrackOnBothSides) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const CombinedCopy combined = CombineCopyOfRun(vertices, {10, 3});
  ASSERT_TRUE(combined.combined);
  const Drawing drawing = DrawTrack(vertices, "sample", &*combined.combined);
  EXPECT_EQ(drawing.legend.at(0).label.text, "segments 10 to 12 before");
  const Frame& elevation = drawing.frames.at(1);
  ASSERT_EQ(elevation.lines.at(0).style, LineStyle::kRest);
  const Polyline& rest = elevation.lines[0];
  const Polyline& run = elevation.lines.at(2);
  ASSERT_EQ(rest.strokes.size(), 2u);
  // The rest ends where the run starts and starts again where it ends.
  EXPECT_NEAR(rest.strokes[0].back().x, run.strokes.at(0).front().x, 0.01);
  EXPECT_NEAR(rest.strokes[1].front().x, run.strokes.at(0).back().x, 0.01);
  EXPECT_LT(rest.strokes[0].back().x, rest.strokes[1].front().x);
}

// The distance from p to the nearest line of a polyline.
double DistanceToPolyline(const Point2& p, const Polyline& line) {
  double nearest = INFINITY;
  for (const auto& stroke : line.strokes) {
    for (std::size_t i = 0; i < stroke.size(); ++i) {
      nearest = std::min(nearest,
                         DistanceToLine(p, stroke[i], stroke[std::min(i + 1, stroke.size() - 1)]));
    }
  }
  return nearest;
}

const Polyline& LineOf(const Frame& frame, LineStyle style) {
  for (const Polyline& line : frame.lines) {
    if (line.style == style) return line;
  }
  static const Polyline none;
  ADD_FAILURE() << "no line of that style in " << frame.name;
  return none;
}

// Every sample of the curve that lands inside the frame lies within kDrawTolerance of the line
// drawn for it, however few of them the drawing kept.
void ExpectEverySampleDrawn(const Frame& frame, LineStyle style, const std::vector<Point2>& view) {
  const Polyline& line = LineOf(frame, style);
  std::size_t inside = 0;
  for (const Point2& sample : view) {
    const Point2 p = frame.placement.Map(sample);
    if (p.x < frame.box.min.x || p.x > frame.box.max.x || p.y < frame.box.min.y ||
        p.y > frame.box.max.y) {
      continue;
    }
    ++inside;
    ASSERT_LE(DistanceToPolyline(p, line), kDrawTolerance + 1e-6)
        << frame.name << " at " << p.x << ", " << p.y;
  }
  EXPECT_GT(inside, 0u) << frame.name;
}

TEST(PlotDrawing, EverySampleLiesWithinTheToleranceOfTheLinesDrawn) {
  // Sharp turns and long segments; many short segments whose profile swings up and down.
  for (const auto& vertices :
       {samples::MakeSampleTrack().bezr.Vertices, samples::MakeSmoothPath(1500)}) {
    const int segments = static_cast<int>(vertices.size()) - 1;
    SCOPED_TRACE(segments);
    const std::vector<Vector3> whole = SamplePath(vertices, 0, segments - 1, 16);
    const Drawing plain = DrawTrack(vertices, "plain");
    ExpectEverySampleDrawn(plain.frames[0], LineStyle::kTrack, PlanView(whole));
    ExpectEverySampleDrawn(plain.frames[1], LineStyle::kTrack, ElevationView(whole));

    const int run = segments / 3;
    const CombinedCopy combined = CombineCopyOfRun(vertices, {0, run});
    ASSERT_TRUE(combined.combined);
    const Drawing drawing = DrawTrack(vertices, "combined", &*combined.combined);
    const std::vector<Vector3> before = SamplePath(vertices, 0, run - 1, 16);
    const std::vector<Vector3> after = SamplePath(combined.combined->after, 0, run - 1, 16);
    const std::vector<Vector3> rest = SamplePath(vertices, run, segments - 1, 16);
    ExpectEverySampleDrawn(drawing.frames[0], LineStyle::kRunBefore, PlanView(before));
    ExpectEverySampleDrawn(drawing.frames[0], LineStyle::kRunAfter, PlanView(after));
    ExpectEverySampleDrawn(drawing.frames[0], LineStyle::kRest, PlanView(rest));
    ExpectEverySampleDrawn(drawing.frames[1], LineStyle::kRunBefore, ElevationView(before));
    ExpectEverySampleDrawn(drawing.frames[1], LineStyle::kRunAfter, ElevationView(after));
    ExpectEverySampleDrawn(drawing.frames[1], LineStyle::kRest,
                           ElevationView(rest, PathLength(before)));
  }
}

bool SameStrokes(const Polyline& a, const Polyline& b) {
  if (a.style != b.style || a.strokes.size() != b.strokes.size()) return false;
  for (std::size_t i = 0; i < a.strokes.size(); ++i) {
    if (!std::equal(a.strokes[i].begin(), a.strokes[i].end(), b.strokes[i].begin(),
                    b.strokes[i].end(),
                    [](const Point2& p, const Point2& q) { return p.x == q.x && p.y == q.y; })) {
      return false;
    }
  }
  return true;
}

// Drawn over the prepared track, a run looks as DrawTrack draws it with the whole track in the
// plan, point for point, but for the plan's rest, which is left to the track's own line.
TEST(PlotDrawing, ARunOverThePreparedTrackIsTheRunDrawnWhole) {
  struct Case {
    int vertices;  // 0: the sample track
    int first;
    int count;
  };
  for (const Case& c : {Case{0, 0, 3}, Case{0, 20, 6}, Case{0, 40, 4}, Case{20000, 10000, 6},
                        Case{20000, 19990, 9}, Case{6554, 1, 6552}}) {
    SCOPED_TRACE(testing::Message() << c.vertices << " " << c.first << " " << c.count);
    const auto vertices = c.vertices > 0 ? samples::MakeSmoothPath(c.vertices)
                                         : samples::MakeSampleTrack().bezr.Vertices;
    const auto combined = CombineCopyOfRun(vertices, {c.first, c.count});
    ASSERT_TRUE(combined.combined);
    const Drawing expected =
        DrawTrack(vertices, "run", &*combined.combined, PlanScope::kWholeTrack);
    const WholeTrack whole = PrepareWholeTrack(vertices);
    const Drawing drawn = DrawRunOnWholeTrack(whole, vertices, "run", *combined.combined);
    ASSERT_EQ(drawn.frames.size(), 2u);
    for (std::size_t f = 0; f < 2; ++f) {
      const Frame& want = expected.frames[f];
      const Frame& got = drawn.frames[f];
      EXPECT_EQ(got.placement.scaleX, want.placement.scaleX);
      EXPECT_EQ(got.placement.offsetY, want.placement.offsetY);
      std::vector<Polyline> wanted;
      for (const Polyline& line : want.lines) {
        if (f == 1 || line.style != LineStyle::kRest) wanted.push_back(line);
      }
      ASSERT_EQ(got.lines.size(), wanted.size());
      for (std::size_t i = 0; i < wanted.size(); ++i) {
        EXPECT_TRUE(SameStrokes(got.lines[i], wanted[i])) << "frame " << f << " line " << i;
      }
      EXPECT_EQ(got.marks.size(), want.marks.size());
    }
    // The rest goes over the band and under the run.
    ASSERT_TRUE(drawn.frames[0].restAt);
    EXPECT_EQ(*drawn.frames[0].restAt, 1u);
    EXPECT_EQ(drawn.frames[0].lines.front().style, LineStyle::kRunMarker);
  }
  // After a COMBINE!: its run as it was, drawn over the track as it is now, is the picture of
  // the track as it was before it.
  {
    const std::vector<BezierVertex> before = samples::MakeSampleTrack().bezr.Vertices;
    VertexChunk chunk;
    chunk.Vertices = before;
    ASSERT_TRUE(CombineSegments(chunk, 20, 23).combined());
    const std::vector<BezierVertex>& now = chunk.Vertices;
    const CombinedRun latest{{20, 4}, {now.begin() + 20, now.begin() + 25}, 0.5};
    const Drawing expected = DrawTrack(before, "run", &latest, PlanScope::kWholeTrack);
    const Drawing drawn = DrawRunOnWholeTrack(PrepareWholeTrack(now), now, "run", latest,
                                              {before.begin() + 20, before.begin() + 25});
    for (std::size_t f = 0; f < 2; ++f) {
      std::vector<Polyline> wanted;
      for (const Polyline& line : expected.frames[f].lines) {
        if (f == 1 || line.style != LineStyle::kRest) wanted.push_back(line);
      }
      ASSERT_EQ(drawn.frames[f].lines.size(), wanted.size());
      for (std::size_t i = 0; i < wanted.size(); ++i) {
        EXPECT_TRUE(SameStrokes(drawn.frames[f].lines[i], wanted[i])) << f << " " << i;
      }
    }
  }
  // A track with a point that is not finite keeps no lengths: it is drawn whole, as DrawTrack
  // draws it, the rest included.
  std::vector<BezierVertex> broken = samples::MakeSampleTrack().bezr.Vertices;
  broken[5].position.x = NAN;
  const auto combined = CombineCopyOfRun(broken, {20, 4});
  ASSERT_TRUE(combined.combined);
  const WholeTrack whole = PrepareWholeTrack(broken);
  EXPECT_TRUE(whole.lengthAt.empty());
  const Drawing expected = DrawTrack(broken, "run", &*combined.combined, PlanScope::kWholeTrack);
  const Drawing drawn = DrawRunOnWholeTrack(whole, broken, "run", *combined.combined);
  for (std::size_t f = 0; f < 2; ++f) {
    EXPECT_FALSE(drawn.frames[f].restAt);
    ASSERT_EQ(drawn.frames[f].lines.size(), expected.frames[f].lines.size());
    for (std::size_t i = 0; i < expected.frames[f].lines.size(); ++i) {
      EXPECT_TRUE(SameStrokes(drawn.frames[f].lines[i], expected.frames[f].lines[i]));
    }
  }
}

// Legend entries, placed by the estimated widths of their labels, never overlap and stay in
// the picture, however many digits the run's start has (1 to 7), with and without the band's
// entry; the words beneath come after the last line.
TEST(PlotDrawing, LegendEntriesNeverOverlap) {
  int wrapped = 0;
  for (const int first : {7, 97, 997, 9997, 99997, 999997, 1999997, 9999997}) {
    for (const bool runMarked : {false, true}) {
      SCOPED_TRACE(testing::Message() << first << (runMarked ? " marked" : ""));
      const CombinedRun overlay{{first, 6}, {}, 0.5};
      Drawing drawing;
      DrawLegend(drawing, &overlay, runMarked);
      ASSERT_EQ(drawing.legend.size(), runMarked ? 5u : 4u);
      EXPECT_NE(drawing.legend[0].label.text.find(std::to_string(first)), std::string::npos);
      double lastY = 0;
      for (std::size_t i = 0; i < drawing.legend.size(); ++i) {
        const LegendEntry& a = drawing.legend[i];
        const double end = a.label.at.x + EstimatedTextWidth(a.label);
        EXPECT_GE(a.from.x, 0);
        EXPECT_LE(end, drawing.width);
        EXPECT_LT(a.from.x, a.label.at.x);
        lastY = std::max(lastY, a.label.at.y);
        for (std::size_t j = i + 1; j < drawing.legend.size(); ++j) {
          const LegendEntry& b = drawing.legend[j];
          if (b.label.at.y != a.label.at.y) continue;
          EXPECT_TRUE(b.from.x >= end || b.label.at.x + EstimatedTextWidth(b.label) <= a.from.x)
              << a.label.text << " / " << b.label.text;
        }
      }
      if (lastY > drawing.legend.front().label.at.y) ++wrapped;
      ASSERT_TRUE(drawing.deviation);
      EXPECT_GT(drawing.deviation->at.y, lastY);
      EXPECT_LE(drawing.deviation->at.y, drawing.height - 4);
      EXPECT_EQ(drawing.axisNote.at.y, drawing.deviation->at.y);
    }
  }
  EXPECT_GT(wrapped, 0);  // the longest legends take a second line
}

TEST(PlotDrawing, DegenerateTracksStillGiveTwoFrames) {
  for (std::size_t count : {0u, 1u, 2u}) {
    const std::vector<BezierVertex> vertices(count);
    const Drawing drawing = DrawTrack(vertices, "empty");
    EXPECT_EQ(drawing.frames.size(), 2u) << count;
  }
  std::vector<BezierVertex> broken = samples::MakeSampleTrack().bezr.Vertices;
  broken[5].position.x = NAN;
  const Drawing drawing = DrawTrack(broken, "nan");
  for (const Frame& frame : drawing.frames) ExpectNearTheFrame(frame);
}

// Long names are shortened in the middle so that the words after them stay on the picture.
TEST(PlotTitle, LongNamesAreShortenedInTheMiddle) {
  struct Row {
    std::string name;
    std::size_t characters;
    std::string shown;
  };
  const std::string forty(40, 'a');
  const std::vector<Row> rows = {
      {"sample.qutrack", 40, "sample.qutrack"},
      {forty, 40, forty},
      {forty + "b", 40, std::string(19, 'a') + "\u2026" + std::string(19, 'a') + "b"},
      {"a-very-long-name-of-a-track-that-somebody-saved-twice.qutrack", 40,
       "a-very-long-name-of\u2026-saved-twice.qutrack"},
      // Characters, not bytes: each "é" is two bytes.
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 5, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 5,
       "\xC3\xA9\xC3\xA9\u2026\xC3\xA9\xC3\xA9"},
      // The display form is what is counted and cut; an escaped byte stays whole.
      {"caf\xE9-caf\xE9-caf\xE9-caf\xE9.qutrack", 16, "caf\\xE9\u2026.qutrack"},
      {"caf\xE9-caf\xE9-caf\xE9-caf\xE9.qutrack", 14, "caf\u2026qutrack"},
      {"bell\a\x1B[2J.qutrack", 40, "bell\\x07\\x1B[2J.qutrack"},
  };
  for (const Row& row : rows) {
    const std::string shown = ShortenedName(row.name, row.characters);
    EXPECT_EQ(shown, row.shown) << DisplayText(row.name);
    EXPECT_EQ(shown, DisplayText(shown));
  }
  EXPECT_EQ(kTitleNameCharacters, 40u);
}
}  // namespace
}  // namespace qu::plot
