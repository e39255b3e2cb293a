// Any text in the count box: reading it never fails, and the segment index it gives, if any,
// fits in 16 bits and agrees with the number read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = qu::ReadNumber(text);
  if (std::isnan(value)) std::abort();
  const std::optional<int> last = qu::LastSegmentFromText(text);
  if (last) {
    if (*last < INT16_MIN || *last > INT16_MAX) std::abort();
    if (std::fabs(std::fabs(value) - 1.0 - *last) > 0.5) std::abort();
  }
  return 0;
}
