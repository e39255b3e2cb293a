// Any bytes as a short vertex table, a first segment and a count, merged once on each
// instruction set the sample loops are compiled for and this processor runs: every one must
// give the same refusal, or the same bits in the table, the deviation and the fit's error.
// A merge that succeeds changes only the two inner handles of the run, and they are finite.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "geometry/VectorPath.h"

namespace {

// Hands out the input's bytes in order, then zeros.
class ByteStream {
 public:
  ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = word << 8 | Next();
    return word;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

float Bits(std::uint32_t word) {
  float value;
  std::memcpy(&value, &word, sizeof value);
  return value;
}

// Mostly small finite coordinates, so that most runs reach the fit; otherwise any single
// from its bits, or one of the values at the edges of the format.
float Component(ByteStream& in) {
  const std::uint8_t kind = in.Next();
  if (kind < 160) return static_cast<float>(static_cast<std::int8_t>(in.Next())) / 4.0f;
  if (kind < 208) return Bits(in.Word());
  static const float kEdges[] = {std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::denorm_min(),
                                 Bits(0x007FFFFF),  // the largest subnormal
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::max(),
                                 -std::numeric_limits<float>::max(),
                                 1e30f,
                                 -0.0f,
                                 Bits(0xFFC00001)};  // a NaN with a payload and its sign set
  return kEdges[kind % (sizeof kEdges / sizeof kEdges[0])];
}

qu::Vector3 Point(ByteStream& in) {
  const float x = Component(in);
  const float y = Component(in);
  const float z = Component(in);
  return {x, y, z};
}

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(const qu::Vector3& a, const qu::Vector3& b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameVertex(const qu::BezierVertex& a, const qu::BezierVertex& b) {
  return SameBits(a.position, b.position) && SameBits(a.controlIn, b.controlIn) &&
         SameBits(a.controlOut, b.controlOut) && SameBits(a.auxValue, b.auxValue) &&
         a.flag1 == b.flag1 && a.flag2 == b.flag2 && a.flag3 == b.flag3;
}

bool Finite(const qu::Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

struct Merge {
  qu::VertexChunk table;
  qu::CombineResult result;
};

Merge MergeOn(qu::VectorPath path, const qu::VertexChunk& table, int first, int last) {
  qu::UseVectorPath(path);
  if (qu::ActiveVectorPath() != path) std::abort();
  Merge merge{table, {}};
  merge.result = qu::CombineSegments(merge.table, first, last);
  return merge;
}

bool SameMerge(const Merge& a, const Merge& b) {
  if (a.result.refusal != b.result.refusal || a.result.reason != b.result.reason ||
      !SameBits(a.result.maxDeviation, b.result.maxDeviation) ||
      !SameBits(a.result.fitError, b.result.fitError) ||
      a.result.sampleCount != b.result.sampleCount) {
    return false;
  }
  for (std::size_t i = 0; i < a.table.Vertices.size(); ++i) {
    if (!SameVertex(a.table.Vertices[i], b.table.Vertices[i])) return false;
  }
  return true;
}

std::vector<qu::VectorPath> WiderPaths() {
  std::vector<qu::VectorPath> paths;
  for (qu::VectorPath path : {qu::VectorPath::kAvx2, qu::VectorPath::kAvx512}) {
    if (qu::VectorPathAvailable(path)) paths.push_back(path);
  }
  return paths;
}

}  // namespace

// Names the instruction sets compared, once; a processor without AVX-512 is named as such.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const bool avx2 = qu::VectorPathAvailable(qu::VectorPath::kAvx2);
  if (qu::VectorPathAvailable(qu::VectorPath::kAvx512)) {
    std::fprintf(stderr, "FuzzMerge: comparing the baseline with AVX2 and AVX-512\n");
  } else {
    std::fprintf(stderr, "FuzzMerge: this processor has no AVX-512; comparing %s\n",
                 avx2 ? "the baseline with AVX2" : "the baseline alone");
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<qu::VectorPath> wider = WiderPaths();
  ByteStream in(data, size);
  const int vertices = in.Next() % 24;
  // From one before the track to its last segment, and from no segment to all of them.
  const int first = in.Next() % (vertices + 1) - 1;
  const int count = in.Next() % (vertices + 1);
  qu::VertexChunk table;
  for (int i = 0; i < vertices; ++i) {
    qu::BezierVertex& v = table.Vertices.emplace_back();
    v.position = Point(in);
    v.controlIn = Point(in);
    v.controlOut = Point(in);
    v.auxValue = Bits(in.Word());
    v.flag1 = (i & 1) != 0;
  }

  const int last = first + count - 1;
  const Merge baseline = MergeOn(qu::VectorPath::kBaseline, table, first, last);
  for (qu::VectorPath path : wider) {
    if (!SameMerge(baseline, MergeOn(path, table, first, last))) std::abort();
  }

  // The check alone gives the same refusal, unless the fit itself was refused.
  const qu::CombineResult check = qu::CheckCombineRun(table.Vertices, {first, count});
  if (check.refusal != baseline.result.refusal &&
      !(check.combined() && baseline.result.refusal == qu::CombineRefusal::kNotFinite)) {
    std::abort();
  }
  // A merge changes the start's outgoing and the end's incoming handle, to finite points.
  for (std::size_t i = 0; i < table.Vertices.size(); ++i) {
    qu::BezierVertex expected = table.Vertices[i];
    const qu::BezierVertex& got = baseline.table.Vertices[i];
    if (baseline.result.combined() && static_cast<int>(i) == first) {
      if (!Finite(got.controlOut)) std::abort();
      expected.controlOut = got.controlOut;
    }
    if (baseline.result.combined() && static_cast<int>(i) == last + 1) {
      if (!Finite(got.controlIn)) std::abort();
      expected.controlIn = got.controlIn;
    }
    if (!SameVertex(expected, got)) std::abort();
  }
  return 0;
}
