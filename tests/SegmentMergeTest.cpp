#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <thread>
#include <tuple>

#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "geometry/VectorMath.h"
#include "tests/TrackBytes.h"

namespace qu {
namespace {

bool SameBits(const Vector3& a, const Vector3& b) {
  return std::bit_cast<std::uint32_t>(a.x) == std::bit_cast<std::uint32_t>(b.x) &&
         std::bit_cast<std::uint32_t>(a.y) == std::bit_cast<std::uint32_t>(b.y) &&
         std::bit_cast<std::uint32_t>(a.z) == std::bit_cast<std::uint32_t>(b.z);
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The angle between two handles, in radians.
double Angle(const Vector3& a, const Vector3& b) {
  return std::atan2(VecLength(Cross(a, b)), VecDot(a, b));
}

VertexChunk RandomSmoothTrack(std::mt19937& random, int vertices) {
  std::uniform_real_distribution<float> step(2.0f, 12.0f), turn(-0.6f, 0.6f), climb(-3.0f, 3.0f);
  std::vector<Vector3> points = {{0, 5, 0}};
  float heading = 0;
  for (int i = 1; i < vertices; ++i) {
    heading += turn(random);
    const float length = step(random);
    const Vector3& p = points.back();
    points.push_back({p.x + length * std::cos(heading), std::max(0.0f, p.y + climb(random)),
                      p.z + length * std::sin(heading)});
  }
  VertexChunk chunk;
  chunk.Vertices = samples::SmoothVertices(points);
  return chunk;
}

TEST(SegmentMerge, OnlyTheTwoOuterHandlesChange) {
  TrackModel model = samples::MakeSampleTrack();
  const TrackModel before = model;
  const CombineResult result = CombineSegments(model.bezr, 0, 1);
  ASSERT_TRUE(result.combined()) << result.reason;
  EXPECT_EQ(result.sampleCount, 11);
  EXPECT_GT(result.maxDeviation, 0.0);

  const auto& was = before.bezr.Vertices;
  const auto& now = model.bezr.Vertices;
  ASSERT_EQ(was.size(), now.size());
  EXPECT_FALSE(SameBits(was[0].controlOut, now[0].controlOut));
  EXPECT_FALSE(SameBits(was[2].controlIn, now[2].controlIn));
  // Put the two handles back: the whole file must then be what it was, bit for bit.
  TrackModel restored = model;
  restored.bezr.Vertices[0].controlOut = was[0].controlOut;
  restored.bezr.Vertices[2].controlIn = was[2].controlIn;
  EXPECT_EQ(test::Serialize(restored), test::Serialize(before));
}

TEST(SegmentMerge, OneSegmentRefitsItself) {
  TrackModel model = samples::MakeSampleTrack();
  const CombineResult result = CombineSegments(model.bezr, 0, 0);
  ASSERT_TRUE(result.combined());
  EXPECT_EQ(result.sampleCount, 6);
  // The samples come from a cubic with these very ends, so the refit finds it again.
  EXPECT_LT(result.maxDeviation, 1e-4);
}

TEST(SegmentMerge, AStraightTrackStaysOnItsLine) {
  VertexChunk chunk;
  const Vector3 direction{3, 1, -2};
  for (int i = 0; i < 6; ++i) {
    const float s = static_cast<float>(i * i);  // unevenly spaced vertices
    BezierVertex v;
    v.position = VecScale(direction, s);
    v.controlIn = VecScale(direction, s - 0.3);
    v.controlOut = VecScale(direction, s + 0.4);
    chunk.Vertices.push_back(v);
  }
  ASSERT_TRUE(CombineSegments(chunk, 0, 4).combined());
  for (const Vector3& p : {chunk.Vertices[0].controlOut, chunk.Vertices[5].controlIn}) {
    EXPECT_LT(VecLength(Cross(p, direction)), 1e-3 * VecLength(p)) << p.x;
  }
}

TEST(SegmentMerge, RefusalsLeaveTheTrackUntouched) {
  TrackModel model = samples::MakeSampleTrack();  // 44 segments
  model.bezr.Vertices[30].controlIn.y = NAN;
  const test::Bytes before = test::Serialize(model);
  struct Case {
    int first, last;
    CombineRefusal refusal;
    const char* reason;
  };
  const Case cases[] = {
      {0, -1, CombineRefusal::kEmptyRun, "cannot combine 0 segments; at least 1 is needed"},
      {3, 1, CombineRefusal::kEmptyRun, "cannot combine -1 segments; at least 1 is needed"},
      {-1, 2, CombineRefusal::kNegativeFirst, "the run starts at segment -1, before the track"},
      {0, 44, CombineRefusal::kBeyondTrack, "the track has only 44 segments; cannot combine 45"},
      {0, 32766, CombineRefusal::kBeyondTrack,
       "the track has only 44 segments; cannot combine 32767"},
      {40, 44, CombineRefusal::kBeyondTrack,
       "the track has only 44 segments; cannot combine 5 segments from segment 40 (segments 40 "
       "to 44)"},
      {25, 35, CombineRefusal::kNotFinite,
       "vertex 30 has a coordinate that is not a finite number"},
  };
  for (const auto& c : cases) {
    const CombineResult result = CombineSegments(model.bezr, c.first, c.last);
    EXPECT_EQ(result.refusal, c.refusal) << c.reason;
    EXPECT_EQ(result.reason, c.reason);
  }
  EXPECT_EQ(test::Serialize(model), before);

  VertexChunk empty;
  EXPECT_EQ(CombineSegments(empty, 0, 0).reason, "the track has only 0 segments; cannot combine 1");
}

TEST(SegmentMerge, RunsGivenByFirstAndCountNameTheirTrueEnd) {
  const TrackModel model = samples::MakeSampleTrack();  // 44 segments
  struct Case {
    int first, count;
    const char* reason;
  };
  const Case cases[] = {
      {40, 4, ""},
      {41, 4,
       "the track has only 44 segments; cannot combine 4 segments from segment 41 (segments 41 "
       "to 44)"},
      {44, 1, "the track has only 44 segments; cannot combine 1 segment from segment 44"},
      // The end, 4294967293, lies past the largest int: named as it is, never wrapped.
      {2147483647, 2147483647,
       "the track has only 44 segments; cannot combine 2147483647 segments from segment "
       "2147483647 (segments 2147483647 to 4294967293)"},
      {0, 2147483647, "the track has only 44 segments; cannot combine 2147483647"},
  };
  for (const auto& c : cases) {
    const CombineResult result = CheckCombineRun(model.bezr.Vertices, {c.first, c.count});
    EXPECT_EQ(result.refusal, *c.reason ? CombineRefusal::kBeyondTrack : CombineRefusal::kNone)
        << c.first;
    EXPECT_EQ(result.reason, c.reason);
  }
}

TEST(SegmentMerge, RunsLongerThanTheSampleCountAllowsAreRefused) {
  VertexChunk chunk;
  chunk.Vertices = samples::MakeSmoothPath(kMaxCombinedSegments + 3);
  EXPECT_EQ(CombineSegments(chunk, 0, kMaxCombinedSegments).refusal, CombineRefusal::kTooLong);
  const CombineResult longest = CombineSegments(chunk, 0, kMaxCombinedSegments - 1);
  ASSERT_TRUE(longest.combined());
  EXPECT_EQ(longest.sampleCount, 32766);
}

TEST(SegmentMerge, HandlesOfZeroLengthDoNotProduceNaN) {
  VertexChunk chunk;
  chunk.Vertices.resize(4);
  for (int i = 0; i < 4; ++i) {
    chunk.Vertices[static_cast<std::size_t>(i)].position = {static_cast<float>(i), 0, 0};
    chunk.Vertices[static_cast<std::size_t>(i)].controlIn =
        chunk.Vertices[static_cast<std::size_t>(i)].position;
    chunk.Vertices[static_cast<std::size_t>(i)].controlOut =
        chunk.Vertices[static_cast<std::size_t>(i)].position;
  }
  ASSERT_TRUE(CombineSegments(chunk, 0, 2).combined());
  EXPECT_TRUE(SameBits(chunk.Vertices[0].controlOut, chunk.Vertices[0].position));

  // Every vertex at one point: the samples all coincide.
  for (auto& v : chunk.Vertices) v = BezierVertex{};
  ASSERT_TRUE(CombineSegments(chunk, 0, 2).combined());
  EXPECT_TRUE(IsFinite(chunk.Vertices[0].controlOut));
  EXPECT_TRUE(IsFinite(chunk.Vertices[3].controlIn));
}

// Many random smooth tracks: the handles stay finite, on their original rays, and a second
// combine keeps their directions too.
TEST(SegmentMerge, PropertiesOverRandomSmoothTracks) {
  std::mt19937 random(20261207);
  for (int trial = 0; trial < 300; ++trial) {
    VertexChunk chunk = RandomSmoothTrack(random, 12);
    const int last = static_cast<int>(random() % 10);
    const VertexChunk before = chunk;
    const Vector3 startHandle = VecSub(before.Vertices[0].controlOut, before.Vertices[0].position);
    const auto end = static_cast<std::size_t>(last + 1);
    const Vector3 endHandle = VecSub(before.Vertices[end].controlIn, before.Vertices[end].position);

    for (int round = 0; round < 2; ++round) {
      const CombineResult result = CombineSegments(chunk, 0, last);
      ASSERT_TRUE(result.combined()) << trial;
      ASSERT_TRUE(std::isfinite(result.maxDeviation));
      const Vector3 newStart = VecSub(chunk.Vertices[0].controlOut, chunk.Vertices[0].position);
      const Vector3 newEnd = VecSub(chunk.Vertices[end].controlIn, chunk.Vertices[end].position);
      ASSERT_TRUE(IsFinite(newStart) && IsFinite(newEnd));
      EXPECT_LT(Angle(newStart, startHandle), 1e-5) << "trial " << trial << " round " << round;
      EXPECT_LT(Angle(newEnd, endHandle), 1e-5) << "trial " << trial << " round " << round;
      for (std::size_t i = 0; i < chunk.Vertices.size(); ++i) {
        EXPECT_TRUE(SameBits(chunk.Vertices[i].position, before.Vertices[i].position));
        if (i != 0) {
          EXPECT_TRUE(SameBits(chunk.Vertices[i].controlOut, before.Vertices[i].controlOut));
        }
        if (i != end) {
          EXPECT_TRUE(SameBits(chunk.Vertices[i].controlIn, before.Vertices[i].controlIn));
        }
      }
    }
  }
}

// Each thread keeps the memory of its last merge for the next. Whatever ran before in the
// thread, longer or shorter, a merge must give the bits it gives in a thread of its own.
TEST(SegmentMerge, EarlierMergesInTheThreadDoNotChangeTheResult) {
  const auto merged = [](int segments) {
    VertexChunk chunk;
    chunk.Vertices = samples::MakeSmoothPath(segments + 1);
    const CombineResult result = CombineSegments(chunk, 0, segments - 1);
    EXPECT_TRUE(result.combined());
    return std::make_tuple(chunk.Vertices.front().controlOut, chunk.Vertices.back().controlIn,
                           result.maxDeviation, result.fitError);
  };
  const auto same = [](const auto& a, const auto& b) {
    return SameBits(std::get<0>(a), std::get<0>(b)) && SameBits(std::get<1>(a), std::get<1>(b)) &&
           std::bit_cast<std::uint64_t>(std::get<2>(a)) ==
               std::bit_cast<std::uint64_t>(std::get<2>(b)) &&
           std::bit_cast<std::uint64_t>(std::get<3>(a)) ==
               std::bit_cast<std::uint64_t>(std::get<3>(b));
  };
  for (int segments : {3, 40, 700}) {
    decltype(merged(1)) alone;
    std::thread([&] { alone = merged(segments); }).join();
    for (int before : {1, 2, 39, 701, 2000}) {
      merged(before);
      EXPECT_TRUE(same(merged(segments), alone)) << segments << " after " << before;
    }
  }
}

}  // namespace
}  // namespace qu
