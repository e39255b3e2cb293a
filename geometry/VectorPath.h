#pragma once

// The instruction set the sample loops run on, and the running of a loop on it. Each loop is
// compiled three times, for the x86-64 baseline (two doubles a vector), for AVX2 (four) and
// for AVX-512 (eight), and the copy to run is chosen at run time. No copy contracts or
// reorders the loop's floating-point operations (contraction is off, no fast-math, and the
// targets named add no fused multiply-add), so all give the same bits.

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

// Placed before a loop over columns: its iterations are independent and its columns do not
// overlap, so it vectorises without run-time overlap checks (GCC gives up on those past ten
// pairs of columns). The loops take plain pointers, never restrict ones: with restrict
// parameters GCC 12 vectorises some loops' remainders two lanes at a time and there drops the
// rounding of a double to single precision, so the instruction sets no longer agree.
#if defined(__clang__)
#define QU_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define QU_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define QU_INDEPENDENT_ITERATIONS
#endif

// Not on Windows: there GCC does not align the stack for the wide vectors that these loops
// spill, so the baseline runs.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define QU_VECTOR_TARGETS_X86 1
#endif

namespace qu {

// The instruction sets the sample loops are compiled for. The widest one the processor has
// runs, unless a caller chose one with UseVectorPath.
enum class VectorPath { kBaseline, kAvx2, kAvx512 };

// Whether this processor can run the loops compiled for `path`.
inline bool VectorPathAvailable(VectorPath path) {
#ifdef QU_VECTOR_TARGETS_X86
  __builtin_cpu_init();
  switch (path) {
    case VectorPath::kAvx512:
      return __builtin_cpu_supports("avx512f");
    case VectorPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case VectorPath::kBaseline:
      return true;
  }
#endif
  return path == VectorPath::kBaseline;
}

namespace vector_path {

inline VectorPath Widest() {
  for (VectorPath path : {VectorPath::kAvx512, VectorPath::kAvx2}) {
    if (VectorPathAvailable(path)) return path;
  }
  return VectorPath::kBaseline;
}

// One choice for the whole process.
inline std::atomic<VectorPath>& Chosen() {
  static std::atomic<VectorPath> path{Widest()};
  return path;
}

}  // namespace vector_path

// Chooses the loops' instruction set for the whole process; an unavailable one is ignored.
// For comparing the paths with each other, not for production use.
inline void UseVectorPath(VectorPath path) {
  if (VectorPathAvailable(path)) vector_path::Chosen().store(path, std::memory_order_relaxed);
}

inline VectorPath ActiveVectorPath() {
  return vector_path::Chosen().load(std::memory_order_relaxed);
}

namespace vector_path {

// One copy of `Loop` per instruction set. The loop is an always-inline function, so each copy
// is vectorised for the target of the function it is inlined into. Its arguments are passed
// on by value: structures arrive as locals that no column can alias.
#ifdef QU_VECTOR_TARGETS_X86
template <auto Loop, class... Args>
[[gnu::target("avx2")]] void OnAvx2(Args... args) {
  Loop(args...);
}
// GCC's default tuning keeps AVX-512 code to 256-bit vectors; the loops are bound by the
// conversions between single and double precision, which cost the same per vector at 512 bits.
#ifdef __clang__
#define QU_TARGET_AVX512 [[gnu::target("avx512f"), clang::min_vector_width(512)]]
#else
#define QU_TARGET_AVX512 [[gnu::target("avx512f,prefer-vector-width=512")]]
#endif
template <auto Loop, class... Args>
QU_TARGET_AVX512 void OnAvx512(Args... args) {
  Loop(args...);
}
#endif

template <auto Loop, class... Args>
void OnBaseline(Args... args) {
  Loop(args...);
}

// Runs `Loop(args...)` compiled for the active vector path.
template <auto Loop, class... Args>
void Run(Args... args) {
#ifdef QU_VECTOR_TARGETS_X86
  switch (ActiveVectorPath()) {
    case VectorPath::kAvx512:
      return OnAvx512<Loop>(args...);
    case VectorPath::kAvx2:
      return OnAvx2<Loop>(args...);
    case VectorPath::kBaseline:
      break;
  }
#endif
  OnBaseline<Loop>(args...);
}

// `pick ? a : b` by the bits of a and b. A conditional whose arm holds a division is compiled
// as a branch with the division inside it, and the vectoriser does not turn that back into a
// select, since a division may raise a floating-point exception; this form has no branch.
[[gnu::always_inline]] inline double SelectBits(bool pick, double a, double b) {
  const std::uint64_t mask = -static_cast<std::uint64_t>(pick);
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                               (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// Four vectors of eight lanes each keep a running largest, so that four comparisons are in
// flight at a time; GCC and Clang map the vector type to the widest registers the target has.
[[gnu::always_inline]] inline void LargestLoop(const double* values, int count, double* largest) {
  using Lanes [[gnu::vector_size(8 * sizeof(double))]] = double;
  constexpr int kLanes = 8, kAccumulators = 4, kStride = kLanes * kAccumulators;
  Lanes accumulators[kAccumulators] = {};
  const int whole = count / kStride * kStride;
  for (int k = 0; k < whole; k += kStride) {
    for (int a = 0; a < kAccumulators; ++a) {
      Lanes v;
      std::memcpy(&v, values + k + a * kLanes, sizeof v);
      accumulators[a] = v > accumulators[a] ? v : accumulators[a];
    }
  }
  double result = 0.0;
  for (int k = whole; k < count; ++k) result = values[k] > result ? values[k] : result;
  for (const Lanes& lanes : accumulators) {
    for (int j = 0; j < kLanes; ++j) result = lanes[j] > result ? lanes[j] : result;
  }
  *largest = result;
}

// The largest of values[0 … count − 1] and 0 by `>`, so a NaN is never chosen. A strict
// maximum does not depend on the order of comparison, so it is taken in several lanes.
inline double LargestOf(const double* values, int count) {
  double largest = 0.0;
  Run<LargestLoop>(values, count, &largest);
  return largest;
}

}  // namespace vector_path
}  // namespace qu
