#include "text/ConsoleBuffer.h"

#include <cstring>
#include <utility>

#include "text/ConsoleText.h"

namespace qu {

ConsoleBuffer::ConsoleBuffer(Writer writer) : writer_(std::move(writer)) {
  setp(held_.data(), held_.data() + held_.size());
}

bool ConsoleBuffer::Finish() {
  return WriteHeld(true);
}

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type character) {
  // What waits after the write is at most the three bytes of a cut character: there is room.
  if (!WriteHeld(false)) return traits_type::eof();
  if (!traits_type::eq_int_type(character, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
  }
  return traits_type::not_eof(character);
}

int ConsoleBuffer::sync() {
  return WriteHeld(false) ? 0 : -1;
}

bool ConsoleBuffer::WriteHeld(bool cutShortToo) {
  const std::string_view held(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  const std::size_t ready = cutShortToo ? held.size() : CompleteUtf8Length(held);
  const bool written = ready == 0 || writer_(ConsoleUtf16FromUtf8(held.substr(0, ready)));
  // Text the console refused is not offered again: the stream reports the failure instead.
  const std::size_t waiting = held.size() - ready;
  std::memmove(held_.data(), held_.data() + ready, waiting);
  setp(held_.data(), held_.data() + held_.size());
  pbump(static_cast<int>(waiting));
  return written;
}

}  // namespace qu
