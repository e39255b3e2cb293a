#pragma once

// Runs a loop compiled three times, for the x86-64 baseline (two doubles a vector), for AVX2
// (four) and for AVX-512 (eight), choosing at run time. The loop is an always-inline function
// taking one argument structure; each copy below is vectorised for its own instruction set.
// No copy contracts or reorders the loop's floating-point operations (contraction is off, no
// fast-math, and the targets named add no fused multiply-add), so all give the same bits.

#include <bit>
#include <cstdint>

#include "FitColumns.h"

// Placed before a loop over columns: its iterations are independent and its columns do not
// overlap, so it vectorises without run-time overlap checks (GCC gives up on those past ten
// pairs of columns, and does not take restrict-qualified locals as proof).
#if defined(__clang__)
#define QU_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define QU_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define QU_INDEPENDENT_ITERATIONS
#endif

namespace qu::vector_targets {

// Not on Windows: there GCC does not align the stack for the wide vectors that these loops
// spill, so the baseline runs.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define QU_VECTOR_TARGETS_X86 1
template <auto Loop, typename Args>
[[gnu::target("avx2")]] void OnAvx2(const Args& args) {
  Loop(args);
}
// GCC's default tuning keeps AVX-512 code to 256-bit vectors; the loops are bound by the
// conversions between single and double precision, which cost the same per vector at 512 bits.
#ifdef __clang__
#define QU_TARGET_AVX512 [[gnu::target("avx512f"), clang::min_vector_width(512)]]
#else
#define QU_TARGET_AVX512 [[gnu::target("avx512f,prefer-vector-width=512")]]
#endif
template <auto Loop, typename Args>
QU_TARGET_AVX512 void OnAvx512(const Args& args) {
  Loop(args);
}
#endif

template <auto Loop, typename Args>
void OnBaseline(const Args& args) {
  Loop(args);
}

template <auto Loop, typename Args>
void Run(const Args& args) {
#ifdef QU_VECTOR_TARGETS_X86
  switch (ActiveVectorPath()) {
    case VectorPath::kAvx512:
      return OnAvx512<Loop>(args);
    case VectorPath::kAvx2:
      return OnAvx2<Loop>(args);
    case VectorPath::kBaseline:
      break;
  }
#endif
  OnBaseline<Loop>(args);
}

// `pick ? a : b` by the bits of a and b. A conditional whose arm holds a division is compiled
// as a branch with the division inside it, and the vectoriser does not turn that back into a
// select, since a division may raise a floating-point exception; this form has no branch.
[[gnu::always_inline]] inline double SelectBits(bool pick, double a, double b) {
  const std::uint64_t mask = -static_cast<std::uint64_t>(pick);
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                               (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// The largest of values[0 … count − 1] and 0 by `>`, so a NaN is never chosen. A strict
// maximum does not depend on the order of comparison, so it is taken in several lanes.
double LargestOf(const double* values, int count);

}  // namespace qu::vector_targets
