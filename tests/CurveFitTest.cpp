#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/CurveFit.h"
#include "geometry/VectorMath.h"

namespace qu {
namespace {

// Samples along a smooth space curve.
std::vector<Vector3> Wave(int count) {
  std::vector<Vector3> points;
  for (int k = 0; k < count; ++k) {
    const double t = count > 1 ? static_cast<double>(k) / (count - 1) : 0.0;
    points.push_back({static_cast<float>(20 * t), static_cast<float>(3 * std::sin(6 * t)),
                      static_cast<float>(2 * std::cos(4 * t))});
  }
  return points;
}

SegmentList Fit(const std::vector<Vector3>& points, std::int16_t maxSegments,
                FitTrace* trace = nullptr) {
  double tolerance = 0.0;
  return FitSegments(points, static_cast<std::int16_t>(points.size()), tolerance, {1, 0, 0},
                     {-1, 0, 0}, maxSegments, trace);
}

TEST(CurveFit, RefinementStopsAfterFiveWorsePassesOrForty) {
  struct Case {
    const char* name;
    std::vector<double> errors;  // error of each pass; the last repeats
    int passes;
  };
  const Case cases[] = {
      {"never better", {1.0}, 5},
      {"equal counts as worse", {0.5, 0.5}, 6},
      {"always better", {}, 40},
      {"worse passes are never forgiven", {2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2}, 9},
      {"NaN is never better", {NAN}, 5},
  };
  for (const auto& c : cases) {
    std::size_t pass = 0;
    const int passes = RunRefinementPasses(1.0, [&] {
      const std::size_t i = pass++;
      if (c.errors.empty()) return 1.0 / static_cast<double>(i + 2);  // shrinks every pass
      return c.errors[std::min(i, c.errors.size() - 1)];
    });
    EXPECT_EQ(passes, c.passes) << c.name;
  }
}

TEST(CurveFit, SplitIndicesRoundHalvesToEven) {
  struct Case {
    int first, n, split;
  };
  for (const Case& c :
       {Case{0, 4, 2}, Case{0, 5, 2}, Case{0, 7, 4}, Case{1, 5, 4}, Case{3, 6, 6}, Case{2, 9, 6}}) {
    EXPECT_EQ(SplitIndex(c.first, c.n), c.split) << c.first << " " << c.n;
  }
}

TEST(CurveFit, SegmentLimits) {
  const std::pair<std::int16_t, int> table[] = {{0, 0},  {1, 0},  {2, 1},  {3, 0},   {4, 2}, {8, 3},
                                                {16, 4}, {32, 5}, {64, 6}, {100, 0}, {-2, 0}};
  for (const auto& [segments, depth] : table)
    EXPECT_EQ(MaxFitDepthFor(segments), depth) << segments;
}

TEST(CurveFit, SplitTangents) {
  const std::vector<Vector3> bend = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  const Vector3 t = SplitTangent(bend, 1);
  EXPECT_NEAR(VecLength(t), 1.0, 1e-7);
  EXPECT_NEAR(t.x, -std::sqrt(0.5), 1e-7);  // back towards the lower indices
  EXPECT_NEAR(t.y, -std::sqrt(0.5), 1e-7);

  // The path turns back on itself: the direction to the lower neighbour.
  const std::vector<Vector3> reversal = {{0, 0, 0}, {2, 0, 0}, {0, 0, 0}};
  const Vector3 r = SplitTangent(reversal, 1);
  EXPECT_EQ(r.x, -1.0f);
  EXPECT_EQ(r.y, 0.0f);

  const std::vector<Vector3> same(3, Vector3{4, 4, 4});
  const Vector3 z = SplitTangent(same, 1);
  EXPECT_EQ(VecLength(z), 0.0);
}

TEST(CurveFit, ToleranceIsOverwrittenAndHasNoEffect) {
  const auto points = Wave(12);
  double tolerance = 5.0;
  const SegmentList a = FitSegments(points, 12, tolerance, {1, 0, 0}, {-1, 0, 0}, 4);
  EXPECT_EQ(tolerance, 0.0);
  const SegmentList b = Fit(points, 4);
  ASSERT_EQ(a.count, b.count);
  for (int i = 0; i < a.count; ++i)
    EXPECT_EQ(a.curves[i].startControl.y, b.curves[i].startControl.y);
}

TEST(CurveFit, SegmentCounts) {
  struct Case {
    int samples;
    std::int16_t maxSegments;
    int count;
  };
  const Case cases[] = {{11, 0, 1},    {11, 3, 1},  {11, 100, 1}, {4, 2, 2}, {3, 64, 1},
                        {200, 64, 64}, {200, 8, 8}, {1, 0, 1},    {2, 64, 1}};
  for (const auto& c : cases) {
    const auto points = Wave(c.samples);
    const SegmentList list = Fit(points, c.maxSegments);
    EXPECT_EQ(list.count, c.count) << c.samples << " " << c.maxSegments;
    ASSERT_EQ(static_cast<int>(list.curves.size()), c.count);
    // The segments run from the first sample to the last, sharing their joins.
    EXPECT_EQ(list.curves.front().startPoint.x, points.front().x);
    EXPECT_EQ(list.curves.back().endPoint.x, points.back().x);
    for (std::size_t i = 1; i < list.curves.size(); ++i) {
      EXPECT_EQ(list.curves[i].startPoint.x, list.curves[i - 1].endPoint.x);
      EXPECT_EQ(list.curves[i].startPoint.y, list.curves[i - 1].endPoint.y);
    }
  }
}

TEST(CurveFit, FourSamplesInTwoSplitAtTheThird) {
  const auto points = Wave(4);
  FitTrace trace;
  const SegmentList list = Fit(points, 2, &trace);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.curves[0].endPoint.x, points[2].x);
  // The whole range, then 0 … 2 by the general fit, then 2 … 3 by the direct rule.
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_FALSE(trace[0].appended);
  EXPECT_EQ(trace[1].last, 2);
  EXPECT_GT(trace[1].passes, 0);
  EXPECT_EQ(trace[2].first, 2);
  EXPECT_EQ(trace[2].passes, 0);
}

TEST(CurveFit, TwoSamplesPutControlsAThirdOfTheChordAlongTheTangents) {
  const std::vector<Vector3> points = {{0, 0, 0}, {3, 4, 0}};
  double tolerance = 0.0;
  const SegmentList list = FitSegments(points, 2, tolerance, {2, 0, 0}, {0, -1, 0}, 0);
  ASSERT_EQ(list.count, 1);
  EXPECT_NEAR(list.curves[0].startControl.x, 2 * 5.0 / 3, 1e-6);
  EXPECT_NEAR(list.curves[0].endControl.y, 4 - 5.0 / 3, 1e-6);
}

TEST(CurveFit, OneSampleGivesAPointSegment) {
  const std::vector<Vector3> points = {{7, 8, 9}};
  FitTrace trace;
  const SegmentList list = Fit(points, 0, &trace);
  ASSERT_EQ(list.count, 1);
  for (const Vector3& p : {list.curves[0].startPoint, list.curves[0].startControl,
                           list.curves[0].endControl, list.curves[0].endPoint}) {
    EXPECT_EQ(p.x, 7.0f);
    EXPECT_EQ(p.z, 9.0f);
  }
  EXPECT_EQ(trace[0].passes, 5);
}

TEST(CurveFit, CoincidentSamplesGiveFiniteSegments) {
  const std::vector<Vector3> points(9, Vector3{1, 2, 3});
  const SegmentList list = Fit(points, 8);
  for (const auto& c : list.curves) {
    EXPECT_TRUE(IsFinite(c.startControl) && IsFinite(c.endControl));
  }
}

}  // namespace
}  // namespace qu
