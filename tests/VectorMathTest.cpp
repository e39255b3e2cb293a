#include <gtest/gtest.h>

#include "geometry/BezierPoint.h"
#include "geometry/VectorMath.h"

namespace qu {
namespace {

void ExpectSame(const Vector3& a, const Vector3& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
}

TEST(VectorMath, LengthsAndNormalisation) {
  EXPECT_EQ(VecLength({1, 2, 2}), 3.0);
  EXPECT_EQ(VecLength({0, 0, 0}), 0.0);
  ExpectSame(VecNormalize({3, 4, 0}), {0.6f, 0.8f, 0.0f});
}

TEST(VectorMath, SumsAndDifferences) {
  const Vector3 a{1.5f, -2.25f, 1e-3f}, b{0.25f, 4.0f, -7.0f};
  ExpectSame(VecSub(a, a), {0, 0, 0});
  const Vector3 ab = VecSub(a, b), ba = VecSub(b, a);
  ExpectSame(ab, {-ba.x, -ba.y, -ba.z});
  ExpectSame(VecAdd(a, b), {1.75f, 1.75f, 1e-3f - 7.0f});
  EXPECT_EQ(VecDot({1, 0, 0}, {0, 1, 0}), 0.0);
  EXPECT_NEAR(VecDot(a, a), VecLength(a) * VecLength(a), 1e-12);
}

TEST(VectorMath, ScalingRoundsOnlyTheDoubleProduct) {
  ExpectSame(VecScale({2, -4, 6}, 0.5), {1, -2, 3});
  // 7 × (1/3) formed in double and rounded once differs from a product of two singles.
  const float scaled = VecScale({7, 0, 0}, 1.0 / 3.0).x;
  EXPECT_EQ(scaled, static_cast<float>(7.0 / 3.0));
  EXPECT_NE(scaled, 7.0f * static_cast<float>(1.0 / 3.0));
}

TEST(BezierPoint, EndsAreExactAndTheArgumentOrderBinds) {
  const Vector3 p0{1.1f, -2.3f, 7.7f}, p1{3.3f, 0.1f, 9.0f}, p2{-4.0f, 5.5f, 2.2f},
      p3{0.3f, 0.7f, -1.9f};
  ExpectSame(BezierPoint(p0, p1, p3, p2, 0.0f), p0);
  ExpectSame(BezierPoint(p0, p1, p3, p2, 1.0f), p3);
  const Vector3 swapped = BezierPoint(p0, p1, p2, p3, 0.5f);
  const Vector3 right = BezierPoint(p0, p1, p3, p2, 0.5f);
  EXPECT_NE(swapped.x, right.x);
  // At t = 0.5 the weights are 1/8, 3/8, 3/8, 1/8.
  EXPECT_NEAR(right.x, (p0.x + 3 * p1.x + 3 * p2.x + p3.x) / 8, 1e-6);
  EXPECT_NEAR(right.y, (p0.y + 3 * p1.y + 3 * p2.y + p3.y) / 8, 1e-6);
}

TEST(BezierPoint, EvenlySpacedControlsGiveALinearCurve) {
  // With controls at thirds, B(t) = P0 + t·(P3 − P0) exactly for these parameters.
  const Vector3 p0{0, 0, 0}, p1{1, 0, 0}, p2{2, 0, 0}, p3{3, 0, 0};
  for (float t : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
    EXPECT_EQ(BezierPoint(p0, p1, p3, p2, t).x, 3.0f * t) << t;
  }
}

TEST(BezierPoint, CollapsedHandlesStayOnTheChord) {
  const Vector3 p0{1, 2, 3}, p3{11, -8, 5};
  const Vector3 p = BezierPoint(p0, p0, p3, p3, 0.2f);
  // The weights of P2 and P3 at t = 0.2 add up to 0.104.
  EXPECT_NEAR(p.x, 1 + 0.104 * 10, 1e-5);
  EXPECT_NEAR(p.y, 2 - 0.104 * 10, 1e-5);
  EXPECT_NEAR(p.z, 3 + 0.104 * 2, 1e-5);
}

}  // namespace
}  // namespace qu
