#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SampleTracks.h"
#include "SegmentMerge.h"
#include "Strokes.h"
#include "TrackPlot.h"

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
  EXPECT_LE(RenderSvg(vertices, "large", std::nullopt).size(), 1'000'000u);
  VertexChunk combined;
  combined.Vertices = vertices;
  const CombineResult result = CombineSegments(combined, 0, 49);
  ASSERT_TRUE(result.combined());
  const std::string svg =
      RenderSvg(vertices, "large", CombineOverlay{combined.Vertices, 50, result.maxDeviation});
  EXPECT_LE(svg.size(), 1'000'000u);
}

}  // namespace
}  // namespace qu::plot
