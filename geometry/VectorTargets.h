#pragma once

// Runs a loop compiled twice, for the x86-64 baseline and for AVX2, choosing at run time.
// The loop is an always-inline function taking one argument structure; each copy below is
// vectorised for its own instruction set. Neither copy contracts or reorders the loop's
// floating-point operations (contraction is off, no fast-math), and AVX2 adds no fused
// multiply-add, so both give the same bits.

#include <bit>
#include <cstdint>

#include "FitColumns.h"

namespace qu::vector_targets {

#if defined(__x86_64__) || defined(__i386__)
#define QU_VECTOR_TARGETS_AVX2 1
template <auto Loop, typename Args>
[[gnu::target("avx2")]] void OnAvx2(const Args& args) {
  Loop(args);
}
#endif

template <auto Loop, typename Args>
void OnBaseline(const Args& args) {
  Loop(args);
}

template <auto Loop, typename Args>
void Run(const Args& args) {
#ifdef QU_VECTOR_TARGETS_AVX2
  if (ActiveVectorPath() == VectorPath::kAvx2) return OnAvx2<Loop>(args);
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
