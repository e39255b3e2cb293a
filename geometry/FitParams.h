#pragma once

#include <vector>

namespace qu {

// The fit's parameters of a range of samples: one double per sample, index k for the range's
// sample k, each the place on the curve the sample is fitted to.
using Params = std::vector<double>;

}  // namespace qu
