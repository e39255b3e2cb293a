#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

namespace qu {

// Text for the standard streams, which the program makes in UTF-8. A stream that is a console
// (on Windows) is given the text as UTF-16 characters, so that the console shows every
// character whatever its code page; a file, a pipe or a device gets the UTF-8 bytes as they
// are. Elsewhere every stream gets the bytes.

// While it lives, std::cout and std::cerr write to a console as characters; their text
// elsewhere, their flushing and their order (std::cerr flushes std::cout first) are as before.
// When it goes, what they hold is written and they get their own buffers back.
class ConsoleStreams {
 public:
  ConsoleStreams();
  ~ConsoleStreams();
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;

 private:
  struct Installed;
  std::unique_ptr<Installed> installed_;
};

// Writes UTF-8 text to a standard stream (stdout or stderr): to a console as characters, once
// what the stream holds has been flushed, and elsewhere as bytes into the stream. False when
// it could not be written.
bool WriteText(std::FILE* stream, std::string_view utf8);

}  // namespace qu
