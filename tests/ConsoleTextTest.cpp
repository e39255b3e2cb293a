// Text for a console: which streams get characters rather than bytes, and the UTF-8 the
// program makes turned into the UTF-16 a console takes.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "text/ConsoleBuffer.h"
#include "text/ConsoleText.h"

namespace qu {
namespace {

TEST(ConsoleTextTest, OnlyAConsoleGetsCharacters) {
  struct Row {
    const char* handle;
    StreamHandleFacts facts;
    TextPath path;
  };
  const Row rows[] = {
      {"a console", {true, true}, TextPath::kConsoleCharacters},
      {"the null device", {true, false}, TextPath::kBytes},
      {"a file or a pipe", {false, false}, TextPath::kBytes},
      {"no handle", {}, TextPath::kBytes},
  };
  for (const Row& row : rows) EXPECT_EQ(ChooseTextPath(row.facts), row.path) << row.handle;
}

// Ill-formed parts as Unicode's recommended practice counts them: one U+FFFD for a byte that
// starts no sequence, and one for the longest start of a sequence that breaks off.
TEST(ConsoleTextTest, Utf8BecomesUtf16WithEveryIllFormedPartReplaced) {
  struct Row {
    std::string utf8;
    std::u16string utf16;
  };
  const Row rows[] = {
      {"C:\\Übungen\\x.qutrack", u"C:\\Übungen\\x.qutrack"},
      {"\xE2\x82\xAC \xF0\x9F\x8E\xA2", u"\u20AC \U0001F3A2"},  // a surrogate pair
      {"caf\\xE9", u"caf\\xE9"},                                // the display form is plain text
      {"one\ntwo\n", u"one\r\ntwo\r\n"},                        // line ends as a text stream's
      {"caf\xE9!", u"caf\uFFFD!"},                              // a Latin-1 byte
      {"\x80\xBF", u"\uFFFD\uFFFD"},                            // stray continuation bytes
      {"\xC0\xAF \xE0\x80\xAF", u"\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD"},  // overlong forms
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                        // a surrogate
      {"\xF4\x90\x80\x80\xF5", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},    // past U+10FFFF
      {"\xE2\x82x \xF0\x9F\x8E", u"\uFFFDx \uFFFD"},                  // cut short
  };
  for (const Row& row : rows) EXPECT_EQ(ConsoleUtf16FromUtf8(row.utf8), row.utf16) << row.utf8;
}

TEST(ConsoleTextTest, OnlyACharacterThatLaterBytesMayCompleteWaits) {
  struct Row {
    std::string utf8;
    std::size_t complete;
  };
  const Row rows[] = {
      {"", 0},
      {"a\xC3\x9C", 3},      // a whole character
      {"a\xC3", 1},          // the first of two bytes
      {"a\xE2\x82", 1},      // two of three
      {"a\xF0\x9F\x8E", 1},  // three of four
      {"a\x80", 2},          // can never become a character: nothing to wait for
      {"a\xE2(", 3},         // broken off already
      {"a\xED\xA0", 3},      // a surrogate's start
  };
  for (const Row& row : rows) EXPECT_EQ(CompleteUtf8Length(row.utf8), row.complete) << row.utf8;
}

// What a console receives through the stream buffer.
struct FakeConsole {
  std::u16string shown;
  bool refuses = false;
  ConsoleBuffer::Writer Writer() {
    return [this](std::u16string_view text) {
      shown += text;
      return !refuses;
    };
  }
};

TEST(ConsoleTextTest, AStreamCutsNoCharacterAndLosesNoText) {
  FakeConsole console;
  ConsoleBuffer buffer(console.Writer());
  std::ostream stream(&buffer);
  // Flushed after every byte: a character arrives whole, once its last byte is there.
  for (char byte : std::string_view("Übungen\n")) stream << byte << std::flush;
  EXPECT_EQ(console.shown, u"Übungen\r\n");
  // Several times what the buffer holds, so that its end falls inside characters.
  std::string many;
  std::u16string manyShown;
  for (int i = 0; i < 3000; ++i) {
    many += "€Ü";
    manyShown += u"€Ü";
  }
  console.shown.clear();
  stream << many << std::flush;
  EXPECT_EQ(console.shown, manyShown);
  // A character never completed still shows at the last flush.
  console.shown.clear();
  stream << "end\xE2\x82" << std::flush;
  EXPECT_EQ(console.shown, u"end");
  EXPECT_TRUE(buffer.Finish());
  EXPECT_EQ(console.shown, u"end\uFFFD");
  // A console that refuses the text fails the stream, as a failed write to a file does.
  console.refuses = true;
  stream << "lost" << std::flush;
  EXPECT_TRUE(stream.bad());
}

}  // namespace
}  // namespace qu
