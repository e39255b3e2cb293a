#include <gtest/gtest.h>

#include <cmath>

#include "SampleTracks.h"
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

}  // namespace
}  // namespace qu::plot
