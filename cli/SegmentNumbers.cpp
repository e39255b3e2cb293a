// The count that -n takes, read as a decimal number whatever its leading zeros.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <string_view>

#include "Commands.h"

namespace qu::cli {
namespace {

bool IsDecimalDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The reason the text is refused, or nothing after putting it in its plain decimal form.
std::string CheckCount(std::string& text) {
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (!IsDecimalDigits(digits)) return "must be a decimal whole number, not " + text;
  digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
  if (negative || digits.empty()) return "must be at least 1, not " + text;
  std::int64_t count = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
  if (error != std::errc() || end != digits.data() + digits.size() || count > INT_MAX) {
    return text + " is out of range (at most " + std::to_string(INT_MAX) + ")";
  }
  text = std::to_string(count);
  return {};
}

}  // namespace

const CLI::Validator kSegmentCount(CheckCount, "POSITIVE");

}  // namespace qu::cli
