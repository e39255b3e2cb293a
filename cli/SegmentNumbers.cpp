// The whole numbers that -n and --start take, read as decimal whatever their leading zeros.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/Commands.h"

namespace qu::cli {
namespace {

bool IsDecimalDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of decimal digits without leading zeros (none is 0), or nothing above INT_MAX.
std::optional<int> ValueOfDigits(std::string_view digits) {
  if (digits.empty()) return 0;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value > INT_MAX) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

// The reason the text is refused as a number of at least `minimum` (which is not negative),
// or nothing after putting it in its plain decimal form. A number below the minimum is
// refused as such before a magnitude out of range is, so "-99999999999" is too small.
std::string CheckWholeNumber(std::string& text, int minimum) {
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (!IsDecimalDigits(digits)) {
    return "must be a decimal whole number, not " + (text.empty() ? std::string("''") : text);
  }
  digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
  const std::optional<int> magnitude = ValueOfDigits(digits);
  const bool belowMinimum =
      negative ? !digits.empty() || minimum > 0 : magnitude && *magnitude < minimum;
  if (belowMinimum) return "must be at least " + std::to_string(minimum) + ", not " + text;
  if (!magnitude) return text + " is out of range (at most " + std::to_string(INT_MAX) + ")";
  text = std::to_string(*magnitude);
  return {};
}

}  // namespace

const CLI::Validator kSegmentCount([](std::string& text) { return CheckWholeNumber(text, 1); },
                                   "POSITIVE");
const CLI::Validator kFirstSegment([](std::string& text) { return CheckWholeNumber(text, 0); },
                                   "NONNEGATIVE");

}  // namespace qu::cli
