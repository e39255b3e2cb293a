#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qu {

// What the system says of the handle behind a standard stream.
struct StreamHandleFacts {
  bool characterDevice = false;  // a character device: a console, or a device such as NUL
  bool consoleMode = false;      // the handle has a console mode, as only a console has
};

// How text reaches a standard stream: as UTF-16 characters handed to a console, which then
// shows every character whatever its code page, or as the UTF-8 bytes themselves (a file, a
// pipe, the null device, no handle at all), which a reader of the stream compares or parses.
enum class TextPath { kBytes, kConsoleCharacters };

TextPath ChooseTextPath(const StreamHandleFacts& facts);

// The length of the longest start of `utf8` that does not end partway through a sequence
// whose remaining bytes may still follow: text can be written up to there, the rest waits.
std::size_t CompleteUtf8Length(std::string_view utf8);

// UTF-8 text as a console takes it: UTF-16, every line feed preceded by a carriage return as
// a stream in text mode writes it. Each ill-formed part (a byte that starts no sequence, or
// the longest start of one that breaks off) becomes one U+FFFD, so nothing is dropped.
std::u16string ConsoleUtf16FromUtf8(std::string_view utf8);

}  // namespace qu
