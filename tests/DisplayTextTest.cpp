// Bytes turned into text that every output can carry.
#include <gtest/gtest.h>

#include <string>

#include "text/DisplayText.h"

namespace qu {
namespace {

TEST(DisplayTextTest, KeepsValidUtf8AndEscapesEverythingElse) {
  struct Row {
    std::string bytes;
    std::string shown;
  };
  const Row rows[] = {
      {"plain.qutrack", "plain.qutrack"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA2", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA2"},
      {"back\\slash \\xE9", "back\\slash \\xE9"},  // kept, so escaping twice changes nothing
      {"caf\xE9.qutrack", "caf\\xE9.qutrack"},     // a Latin-1 byte
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x1B[2J\t\n\r\x7F", "\\x1B[2J\\x09\\x0A\\x0D\\x7F"},
      {"\xC2\x9B\x31m \xC2\xA0", "\\xC2\\x9B1m \xC2\xA0"},  // C1 control CSI; no-break space kept
      {"\xC0\xAF \xE0\x80\xAF", "\\xC0\\xAF \\xE0\\x80\\xAF"},  // overlong forms
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},                      // a surrogate
      {"\xF4\x90\x80\x80 \xF5", "\\xF4\\x90\\x80\\x80 \\xF5"},  // past U+10FFFF
      {"\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD", "\\xEF\\xBF\\xBE\\xEF\\xBF\\xBF\xEF\xBF\xBD"},
      {"\xE2\x82 \xF0\x9F\x8E", "\\xE2\\x82 \\xF0\\x9F\\x8E"},  // cut short
      {"\x80\xBF", "\\x80\\xBF"},                               // stray continuation bytes
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DisplayText(row.bytes), row.shown) << row.shown;
    EXPECT_EQ(DisplayText(row.shown), row.shown) << row.shown;
  }
}

TEST(DisplayTextTest, EveryByteValueComesOutPrintable) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string shown = DisplayText(std::string(1, static_cast<char>(byte)));
    for (unsigned char c : shown) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << byte;
  }
}

}  // namespace
}  // namespace qu
