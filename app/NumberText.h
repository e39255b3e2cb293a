#pragma once

#include <optional>
#include <string>

namespace qu {

// The number at the start of a text box's text. Blanks, tabs and line feeds are removed from
// the whole text first; then come an optional sign, digits with at most one "." and an
// optional exponent ("E" or "e", optional sign, digits). Reading stops at the first character
// that does not continue the number. A text without a leading number, and one beginning with
// a radix prefix ("&H", "&O"), reads as 0.
double ReadNumber(const std::string& text);

// Rounds to the nearest integer, an exact half to the even neighbour.
double RoundHalfEven(double x);

// The last segment index for a typed count: |v| − 1 rounded half to even. Nothing when the
// result does not fit in 16 bits.
std::optional<int> LastSegmentFromText(const std::string& text);

}  // namespace qu
