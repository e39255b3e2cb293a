#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/BezierPoint.h"
#include "geometry/CurveDistance.h"
#include "geometry/FitKernels.h"

namespace qu {
namespace {

const CubicSegment kLine{{0, 0, 0}, {1, 0, 0}, {3, 0, 0}, {2, 0, 0}};

TEST(FitKernels, BasisSumsToOneAndCubicEndsAreExact) {
  for (double t : {-0.5, 0.0, 0.3, 0.5, 1.0, 1.7}) {
    EXPECT_NEAR(B0(t) + B1(t) + B2(t) + B3(t), 1.0, 1e-12) << t;
  }
  const CubicSegment s{{1.1f, 2.2f, 3.3f}, {-4, 5, 6}, {7.7f, -8.8f, 9.9f}, {0.5f, 0.25f, 0}};
  const Vector3 start = EvalCubic(s, 0.0), end = EvalCubic(s, 1.0);
  EXPECT_EQ(start.x, s.startPoint.x);
  EXPECT_EQ(start.z, s.startPoint.z);
  EXPECT_EQ(end.x, s.endPoint.x);
  EXPECT_EQ(end.y, s.endPoint.y);
  // The kernel's evaluation and the track's segment evaluation agree to rounding.
  for (float t : {0.2f, 0.4f, 0.6f, 0.8f}) {
    const Vector3 a = EvalCubic(s, t);
    const Vector3 b = BezierPoint(s.startPoint, s.startControl, s.endPoint, s.endControl, t);
    EXPECT_NEAR(a.x, b.x, 1e-5);
    EXPECT_NEAR(a.y, b.y, 1e-5);
  }
  EXPECT_EQ(EvalCubic(kLine, 0.5).x, 1.5f);
}

TEST(FitKernels, DeCasteljauInterpolates) {
  const std::vector<Vector3> quadratic = {{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
  const Vector3 mid = EvalDeCasteljau(2, quadratic, 0.5);
  EXPECT_EQ(mid.x, 1.0f);
  EXPECT_EQ(mid.y, 1.0f);
  const std::vector<Vector3> line = {{2, 4, 6}, {4, 8, 10}};
  const Vector3 quarter = EvalDeCasteljau(1, line, 0.25);
  EXPECT_EQ(quarter.x, 2.5f);
  EXPECT_EQ(quarter.z, 7.0f);
  EXPECT_EQ(line[0].x, 2.0f);  // the caller's points stay as they were
}

TEST(FitKernels, ChordParams) {
  const std::vector<Vector3> gaps = {{0, 0, 0}, {1, 0, 0}, {1, 3, 0}};
  EXPECT_EQ(ChordParams(gaps, 0, 2), (Params{0.0, 0.25, 1.0}));
  EXPECT_EQ(ChordParams(gaps, 1, 1), (Params{0.0}));
  const std::vector<Vector3> same(4, Vector3{5, 5, 5});
  EXPECT_EQ(ChordParams(same, 0, 3), (Params{0.0, 1.0 / 3, 2.0 / 3, 1.0}));
}

TEST(FitKernels, CoefficientsOfSingularSystems) {
  struct Case {
    double c00, c01, c11, x0, x1, alphaL, alphaR;
  };
  const Case cases[] = {
      {2, 0, 4, 2, 8, 1, 2},           // regular
      {1, 1, 1, 2e-12, 1e-12, 1, -1},  // singular: the substitute determinant 1e-12
      {0, 0, 5, 1, 1, 0, 0},           // singular with a zero diagonal product
      {0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const Coefficients a = SolveCoefficients(c.c00, c.c01, c.c11, c.x0, c.x1);
    EXPECT_NEAR(a.alphaL, c.alphaL, 1e-9) << c.c00 << " " << c.c01;
    EXPECT_NEAR(a.alphaR, c.alphaR, 1e-9);
  }
}

// Samples of the straight cubic kLine at its chord parameters: the least-squares controls
// are at 1 and 2 on the x axis, so the coefficients are 1 / (tangent length).
TEST(FitKernels, FallbackThresholdsDifferPerSide) {
  const std::vector<Vector3> points = {
      {0, 0, 0}, {0.75f, 0, 0}, {1.5f, 0, 0}, {2.25f, 0, 0}, {3, 0, 0}};
  const Params u = ChordParams(points, 0, 4);
  struct Case {
    const char* name;
    float startLength;  // negative: the tangent points away from the curve
    float endLength;
    float startControlX;
    float endControlX;
  };
  // A fallback puts both controls a third of the chord (1) along their tangents.
  const Case cases[] = {
      {"both coefficients 1", 1, 1, 1, 2},     {"start 5e-9: below 1e-8", 2e8f, 1, 2e8f, 3 - 1},
      {"start 1e-10", 1e10f, 1, 1e10f, 2},     {"start negative", -1, 1, -1, 2},
      {"end 5e-9: above 1e-9", 1, 2e8f, 1, 2}, {"end 5e-10: below 1e-9", 1, 2e9f, 1, 3 - 2e9f},
  };
  for (const auto& c : cases) {
    const CubicSegment s =
        SolveInnerControls(points, 0, 4, u, {c.startLength, 0, 0}, {-c.endLength, 0, 0});
    EXPECT_EQ(s.startPoint.x, 0.0f);
    EXPECT_EQ(s.endPoint.x, 3.0f);
    EXPECT_NEAR(s.startControl.x, c.startControlX, std::abs(c.startControlX) * 1e-6) << c.name;
    EXPECT_NEAR(s.endControl.x, c.endControlX, std::abs(c.endControlX) * 1e-6) << c.name;
  }
}

TEST(FitKernels, AllZeroTangentsFallBackWithoutNaN) {
  const std::vector<Vector3> points = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
  const CubicSegment s = SolveInnerControls(points, 0, 2, ChordParams(points, 0, 2), {}, {});
  EXPECT_EQ(s.startControl.x, 0.0f);
  EXPECT_EQ(s.endControl.x, 2.0f);
}

TEST(FitKernels, MaxDeviationMeasuresOnlyInteriorSamples) {
  // The end samples lie far from the curve, the interior ones on it.
  std::vector<Vector3> points = {
      {-50, 0, 0}, {0.75f, 0, 0}, {1.5f, 0, 0}, {2.25f, 0, 0}, {90, 0, 0}};
  const Params u = {0, 0.25, 0.5, 0.75, 1};
  EXPECT_EQ(MaxDeviation(points, 0, 4, kLine, u), 0.0);
  points[2].y = 0.5f;
  points[3].y = -0.25f;
  EXPECT_EQ(MaxDeviation(points, 0, 4, kLine, u), 0.5);
  EXPECT_EQ(MaxDeviation(points, 1, 3, kLine, {0, 0.5, 1}), 0.5);  // three: the middle alone
  EXPECT_EQ(MaxDeviation(points, 3, 4, kLine, {0, 1}), 0.0);
}

TEST(FitKernels, NewtonSteps) {
  // Along the line x = 3t, the step from t = 0.5 towards x = 6 lands at t = 2: not clamped.
  EXPECT_EQ(NewtonParamStep(kLine, {6, 0, 0}, 0.5), 2.0);
  EXPECT_EQ(NewtonParamStep(kLine, {1.5f, 7, 0}, 0.5), 0.5);  // already nearest
  const CubicSegment point{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}};
  EXPECT_EQ(NewtonParamStep(point, {9, 9, 9}, 0.3), 0.3);  // zero denominator
}

TEST(FitKernels, RefinementKeepsTheEndParameters) {
  std::vector<Vector3> points;
  for (int k = 0; k <= 10; ++k) {
    const double t = k / 10.0;
    points.push_back({static_cast<float>(10 * t), static_cast<float>(4 * t * (1 - t)),
                      static_cast<float>(t * t)});
  }
  const Params u = ChordParams(points, 0, 10);
  const CubicSegment s = SolveInnerControls(points, 0, 10, u, {1, 1, 0}, {-1, 1, -0.5f});
  const Params refined = RefineParams(points, 0, 10, u, s);
  EXPECT_EQ(refined.front(), 0.0);
  EXPECT_EQ(refined.back(), 1.0);
  EXPECT_NE(refined[5], u[5]);
}

}  // namespace
}  // namespace qu

namespace qu {
namespace {

TEST(CurveDistance, MeasuresToTheNearestPointOfTheCurve) {
  const std::vector<Vector3> points = {{0, 0, 0}, {1.5f, 2, 0}, {0.3f, 0, -0.4f}, {3, 0, 0}};
  EXPECT_NEAR(MaxDistanceToCurve(points, 0, 3, kLine), 2.0, 1e-9);
  // Beyond the end the nearest point is the end itself.
  const std::vector<Vector3> beyond = {{0, 0, 0}, {6, 0, 0}, {3, 0, 0}};
  EXPECT_NEAR(MaxDistanceToCurve(beyond, 0, 2, kLine), 3.0, 1e-9);
  // A bent curve: the nearest point of a sample near its far side, not the first local one.
  const CubicSegment hook{{0, 0, 0}, {10, 0, 0}, {0, 0, 0}, {10, 10, 0}};
  const std::vector<Vector3> nearTheEnd = {{0, 0, 0}, {0.2f, 0.1f, 0}, {0, 0, 0}};
  EXPECT_LT(MaxDistanceToCurve(nearTheEnd, 0, 2, hook), 0.2);
}

}  // namespace
}  // namespace qu
