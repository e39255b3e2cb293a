#include "app/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace qu {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string WithoutBlanks(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') kept += c;
  }
  return kept;
}

// The length of the longest prefix of `s` that is a number by the rules above.
std::size_t NumberLength(const std::string& s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      ++digits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return 0;
  // An exponent counts only when at least one digit follows it.
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

}  // namespace

double ReadNumber(const std::string& text) {
  const std::string s = WithoutBlanks(text);
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    return 0.0;
  }
  const std::size_t length = NumberLength(s);
  if (length == 0) return 0.0;
  // from_chars takes no leading "+", and always reads "." as the decimal point.
  std::size_t begin = s[0] == '+' ? 1 : 0;
  double value = 0.0;
  const auto [end, error] = std::from_chars(s.data() + begin, s.data() + length, value);
  if (error == std::errc::result_out_of_range) {
    // Too large for a double reads as infinity; too small (a negative exponent, or only
    // zeros before the point) as zero; either keeps its sign.
    const std::string number = s.substr(0, length);
    const std::size_t exponent = number.find_first_of("eE");
    const bool tiny = exponent != std::string::npos
                          ? number.find('-', exponent) != std::string::npos
                          : number.find_first_of("123456789") > number.find('.');
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return s[0] == '-' ? -magnitude : magnitude;
  }
  return error == std::errc() && end > s.data() + begin ? value : 0.0;
}

double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double fraction = x - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1.0;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<int> LastSegmentFromText(const std::string& text) {
  const double last = RoundHalfEven(std::fabs(ReadNumber(text)) - 1.0);
  if (!(last >= INT16_MIN && last <= INT16_MAX)) return std::nullopt;
  return static_cast<int>(last);
}

}  // namespace qu
