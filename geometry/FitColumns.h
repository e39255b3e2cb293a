#pragma once

#include <span>
#include <vector>

#include "geometry/CubicSegment.h"
#include "geometry/FitParams.h"
#include "trackio/Vector3.h"

namespace qu {

// The samples first … last of a range as three columns of doubles (exact copies of the
// single-precision coordinates), and the fit's steps over all of them at once. Every sample
// goes through exactly the operations, in exactly the order, that FitKernels.h describes;
// only the number of samples computed side by side differs, so the results are the same
// bits whichever instruction set runs the loops. Sums over samples run in sample order.
class SampleColumns {
 public:
  void Assign(std::span<const Vector3> points, int first, int last);

  int size() const { return static_cast<int>(x_.size()); }
  const double* x() const { return x_.data(); }
  const double* y() const { return y_.data(); }
  const double* z() const { return z_.data(); }

  // ChordParams of the range, into `u`.
  void ChordParams(Params& u) const;
  // SolveInnerControls of the range at the parameters `u`.
  CubicSegment SolveInnerControls(const Params& u, const Vector3& startTangent,
                                  const Vector3& endTangent);
  // MaxDeviation of the range at the parameters `u`.
  double MaxDeviation(const CubicSegment& s, const Params& u) const;
  // RefineParams of the range from the parameters `u`, into `refined`.
  void RefineParams(const CubicSegment& s, const Params& u, Params& refined) const;

 private:
  std::vector<double> x_, y_, z_;
  Vector3 firstPoint_{}, lastPoint_{};
};

}  // namespace qu
