#include "text/ConsoleText.h"

#include <cstdint>

namespace qu {
namespace {

constexpr char32_t kReplacement = U'\uFFFD';

// One step through UTF-8 text: a character, or an ill-formed part of it.
struct Utf8Step {
  char32_t character = kReplacement;  // U+FFFD for an ill-formed part
  std::size_t length = 1;             // the bytes it takes, at least 1
  bool cutShort = false;              // a well-formed start that the text ends before its end
};

// The sequence's length and the range of its second byte, by its first byte; 0 when the byte
// starts no sequence. The narrower second-byte ranges shut out overlong forms, surrogates
// and everything past U+10FFFF.
struct SequenceShape {
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;
};

SequenceShape ShapeOf(std::uint8_t lead) {
  if (lead < 0x80) return {1};
  if (lead >= 0xC2 && lead <= 0xDF) return {2};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  if (lead >= 0xF1 && lead <= 0xF3) return {4};
  return {};
}

// The first character of `text` (not empty). An ill-formed part is the longest start of a
// sequence that is well formed so far, or a single byte: how Unicode recommends counting
// replacements.
Utf8Step NextUtf8(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const SequenceShape shape = ShapeOf(byte(0));
  if (shape.length == 0) return {};
  if (shape.length == 1) return {byte(0), 1};
  static constexpr std::uint8_t kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t character = byte(0) & kLeadBits[shape.length];
  std::size_t taken = 1;
  for (; taken < shape.length; ++taken) {
    if (taken == text.size()) return {kReplacement, taken, true};
    const std::uint8_t low = taken == 1 ? shape.low : 0x80;
    const std::uint8_t high = taken == 1 ? shape.high : 0xBF;
    if (byte(taken) < low || byte(taken) > high) return {kReplacement, taken};
    character = (character << 6) | (byte(taken) & 0x3F);
  }
  return {character, taken};
}

void AppendUtf16(std::u16string& out, char32_t character) {
  if (character < 0x10000) {
    out += static_cast<char16_t>(character);
    return;
  }
  character -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (character >> 10));
  out += static_cast<char16_t>(0xDC00 + (character & 0x3FF));
}

}  // namespace

TextPath ChooseTextPath(const StreamHandleFacts& facts) {
  // The null device is a character device too, but has no console mode.
  return facts.characterDevice && facts.consoleMode ? TextPath::kConsoleCharacters
                                                    : TextPath::kBytes;
}

std::size_t CompleteUtf8Length(std::string_view utf8) {
  std::size_t at = 0;
  while (at < utf8.size()) {
    const Utf8Step step = NextUtf8(utf8.substr(at));
    if (step.cutShort) return at;
    at += step.length;
  }
  return at;
}

std::u16string ConsoleUtf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const Utf8Step step = NextUtf8(utf8.substr(at));
    if (step.character == U'\n') out += u'\r';
    AppendUtf16(out, step.character);
    at += step.length;
  }
  return out;
}

}  // namespace qu
