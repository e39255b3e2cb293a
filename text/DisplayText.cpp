#include "text/DisplayText.h"

#include <cstdint>

namespace qu {
namespace {

void AppendEscapedByte(std::string& out, std::uint8_t byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

bool IsContinuation(std::uint8_t byte, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
  return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence that starts `text`, or 0 when it does not start
// with one: no overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t SequenceLength(std::string_view text) {
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = at(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || !IsContinuation(at(1), low, high)) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
  }
  return length;
}

// Control characters, and the two code points XML forbids although UTF-8 can hold them.
bool MustEscape(std::string_view sequence) {
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(sequence[i]); };
  if (sequence.size() == 1) return at(0) < 0x20 || at(0) == 0x7F;
  if (sequence.size() == 2) return at(0) == 0xC2 && at(1) <= 0x9F;  // U+0080–U+009F
  return sequence.size() == 3 && at(0) == 0xEF && at(1) == 0xBF && at(2) >= 0xBE;
}

}  // namespace

std::string DisplayText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const std::size_t length = SequenceLength(bytes);
    const std::string_view sequence = bytes.substr(0, length == 0 ? 1 : length);
    if (length == 0 || MustEscape(sequence)) {
      for (char c : sequence) AppendEscapedByte(text, static_cast<std::uint8_t>(c));
    } else {
      text += sequence;
    }
    bytes.remove_prefix(sequence.size());
  }
  return text;
}

}  // namespace qu
