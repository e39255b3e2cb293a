#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "examples/SampleTracks.h"
#include "geometry/BezierPoint.h"
#include "geometry/CurveFit.h"
#include "geometry/FitColumns.h"
#include "geometry/SampleSchedule.h"
#include "geometry/VectorPath.h"

namespace qu {
namespace {

// The samples that a merge fits: five per segment of a random smooth run, then its end.
struct SampledRun {
  std::vector<Vector3> points;
  Vector3 startTangent, endTangent;
};

SampledRun RandomRun(std::mt19937& random, int segments, float turn) {
  std::uniform_real_distribution<float> step(2.0f, 12.0f), bend(-turn, turn), climb(-3.0f, 3.0f);
  std::vector<Vector3> path = {{0, 5, 0}};
  float heading = 0;
  for (int i = 0; i < segments; ++i) {
    heading += bend(random);
    const float length = step(random);
    const Vector3& p = path.back();
    path.push_back(
        {p.x + length * std::cos(heading), p.y + climb(random), p.z + length * std::sin(heading)});
  }
  const std::vector<BezierVertex> v = samples::SmoothVertices(path);
  SampledRun run;
  for (std::size_t i = 0; i + 1 < v.size(); ++i) {
    ForEachSampleParameter([&](float t) {
      run.points.push_back(
          BezierPoint(v[i].position, v[i].controlOut, v[i + 1].position, v[i + 1].controlIn, t));
    });
  }
  run.points.push_back(v.back().position);
  run.startTangent = {v.front().controlOut.x - v.front().position.x,
                      v.front().controlOut.y - v.front().position.y,
                      v.front().controlOut.z - v.front().position.z};
  run.endTangent = {v.back().controlIn.x - v.back().position.x,
                    v.back().controlIn.y - v.back().position.y,
                    v.back().controlIn.z - v.back().position.z};
  return run;
}

struct FitOutcome {
  SegmentList list;
  FitTrace trace;
};

FitOutcome FitRun(const SampledRun& run, std::int16_t maxSegments) {
  FitOutcome outcome;
  double tolerance = 0.0;
  outcome.list = FitSegments(run.points, static_cast<std::int16_t>(run.points.size()), tolerance,
                             run.startTangent, run.endTangent, maxSegments, &outcome.trace);
  return outcome;
}

bool SameBits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool SameBits(const Vector3& a, const Vector3& b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

// Restores the process's choice of loops when a test ends.
class VectorPathTest : public ::testing::Test {
 protected:
  void TearDown() override { UseVectorPath(saved_); }
  VectorPath saved_ = ActiveVectorPath();
};

// The loops compiled for AVX-512, AVX2 and the baseline give the same segments, errors and
// pass counts, bit for bit, over runs of many lengths, split fits included.
TEST_F(VectorPathTest, EveryInstructionSetGivesTheSameBits) {
  std::vector<VectorPath> wider;
  for (VectorPath path : {VectorPath::kAvx2, VectorPath::kAvx512}) {
    if (VectorPathAvailable(path)) wider.push_back(path);
  }
  if (wider.empty()) GTEST_SKIP() << "this processor has only the baseline instruction set";
  std::mt19937 random(1207);
  for (int trial = 0; trial < 60; ++trial) {
    const SampledRun run = RandomRun(random, 1 + trial * 7 % 97, trial % 2 ? 0.6f : 2.5f);
    const auto maxSegments = static_cast<std::int16_t>(trial % 3 == 0 ? 16 : 0);
    UseVectorPath(VectorPath::kBaseline);
    ASSERT_EQ(ActiveVectorPath(), VectorPath::kBaseline);
    const FitOutcome baseline = FitRun(run, maxSegments);
    for (VectorPath path : wider) {
      UseVectorPath(path);
      ASSERT_EQ(ActiveVectorPath(), path);
      const FitOutcome other = FitRun(run, maxSegments);
      const int name = static_cast<int>(path);
      ASSERT_EQ(baseline.list.curves.size(), other.list.curves.size()) << trial;
      for (std::size_t i = 0; i < other.list.curves.size(); ++i) {
        const CubicSegment& a = baseline.list.curves[i];
        const CubicSegment& b = other.list.curves[i];
        EXPECT_TRUE(SameBits(a.startControl, b.startControl) &&
                    SameBits(a.endControl, b.endControl))
            << "path " << name << " trial " << trial << " segment " << i;
      }
      ASSERT_EQ(baseline.trace.size(), other.trace.size()) << trial;
      for (std::size_t i = 0; i < other.trace.size(); ++i) {
        EXPECT_EQ(baseline.trace[i].passes, other.trace[i].passes) << name << " " << trial;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(baseline.trace[i].error),
                  std::bit_cast<std::uint64_t>(other.trace[i].error))
            << "path " << name << " trial " << trial;
      }
    }
  }
}

// The nearest point of the curve by brute force: the curve at 4,001 parameters, then a
// golden-section search around the nearest of them.
double BruteForceDistance(const CubicSegment& s, const Vector3& p) {
  const auto distanceAt = [&](double t) {
    const auto coordinate = [&](float p0, float p1, float p2, float p3, float q) {
      return B0(t) * p0 + B1(t) * p1 + B2(t) * p2 + B3(t) * p3 - q;
    };
    const double dx =
        coordinate(s.startPoint.x, s.startControl.x, s.endControl.x, s.endPoint.x, p.x);
    const double dy =
        coordinate(s.startPoint.y, s.startControl.y, s.endControl.y, s.endPoint.y, p.y);
    const double dz =
        coordinate(s.startPoint.z, s.startControl.z, s.endControl.z, s.endPoint.z, p.z);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
  };
  constexpr int kSteps = 4000;
  int nearest = 0;
  for (int i = 1; i <= kSteps; ++i) {
    if (distanceAt(i / double{kSteps}) < distanceAt(nearest / double{kSteps})) nearest = i;
  }
  double low = std::max(nearest - 1, 0) / double{kSteps};
  double high = std::min(nearest + 1, kSteps) / double{kSteps};
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  for (int i = 0; i < 80; ++i) {
    const double a = high - ratio * (high - low), b = low + ratio * (high - low);
    if (distanceAt(a) < distanceAt(b)) {
      high = b;
    } else {
      low = a;
    }
  }
  return std::min({distanceAt((low + high) / 2), distanceAt(nearest / double{kSteps})});
}

// The reported deviation, found from the last pass's parameters, is the largest distance to
// the nearest point of the curve that a dense search finds, on gentle and on tight runs.
TEST(CurveDistance, MatchesADenseSearchOnRandomRuns) {
  std::mt19937 random(20261208);
  for (int trial = 0; trial < 40; ++trial) {
    const SampledRun run = RandomRun(random, 2 + trial % 25, trial % 2 ? 0.6f : 2.0f);
    const FitOutcome fit = FitRun(run, 0);
    const CubicSegment& curve = fit.list.curves.front();
    double expected = 0.0;
    for (const Vector3& p : run.points) expected = std::max(expected, BruteForceDistance(curve, p));
    const double reported = fit.trace.front().distance;
    ASSERT_GT(expected, 0.0) << trial;
    EXPECT_LT(std::abs(reported - expected) / expected, 1e-6)
        << "trial " << trial << ": " << reported << " against " << expected;
  }
}

}  // namespace
}  // namespace qu
