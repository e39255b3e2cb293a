#pragma once

#include <array>
#include <functional>
#include <streambuf>
#include <string_view>

namespace qu {

// A stream buffer for a standard stream that is a console: it gathers the program's UTF-8
// text and hands it on as the console's UTF-16 characters when the stream is flushed or the
// buffer is full. A character cut by the end of what is held waits for its remaining bytes,
// so a flush never splits it into two replacement characters.
class ConsoleBuffer : public std::streambuf {
 public:
  // Puts characters on the console; false when they could not be written.
  using Writer = std::function<bool(std::u16string_view)>;

  explicit ConsoleBuffer(Writer writer);
  ConsoleBuffer(const ConsoleBuffer&) = delete;
  ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

  // Writes everything held, a character still cut short included (as U+FFFD): the last flush
  // before the stream goes back to its own buffer. False when the writer failed.
  bool Finish();

 protected:
  int_type overflow(int_type character) override;
  int sync() override;

 private:
  bool WriteHeld(bool cutShortToo);

  std::array<char, 4096> held_{};
  Writer writer_;
};

}  // namespace qu
