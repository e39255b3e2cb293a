// The standard streams on Windows: a console is written with WriteConsoleW, in UTF-16, so that
// it shows the text whatever its code page; anything else gets the bytes.
#include <windows.h>
// windows.h first: io.h's handle functions need its types.
#include <io.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "text/ConsoleBuffer.h"
#include "text/ConsoleText.h"
#include "text/ConsoleWriter.h"

namespace qu {
namespace {

// The system's handle behind a C stream; INVALID_HANDLE_VALUE when it has none (a window
// program started without a console or redirection).
HANDLE HandleOf(std::FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

bool IsConsole(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  DWORD mode = 0;
  const StreamHandleFacts facts{GetFileType(handle) == FILE_TYPE_CHAR,
                                GetConsoleMode(handle, &mode) != 0};
  return ChooseTextPath(facts) == TextPath::kConsoleCharacters;
}

bool WriteCharacters(HANDLE console, std::u16string_view text) {
  const std::wstring wide(text.begin(), text.end());
  // In pieces: older consoles refuse one call larger than the buffer they share with it.
  constexpr std::size_t kPiece = 8192;
  std::size_t done = 0;
  while (done < wide.size()) {
    const auto piece = static_cast<DWORD>(std::min(kPiece, wide.size() - done));
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + done, piece, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

// The streams whose buffer was replaced, with their own to give back.
struct ConsoleStreams::Installed {
  struct Replaced {
    std::ostream* stream;
    std::streambuf* own;
    std::unique_ptr<ConsoleBuffer> console;
  };
  std::vector<Replaced> replaced;

  void ReplaceIfConsole(std::ostream& stream, std::FILE* file) {
    const HANDLE handle = HandleOf(file);
    if (!IsConsole(handle)) return;
    auto console = std::make_unique<ConsoleBuffer>(
        [handle](std::u16string_view text) { return WriteCharacters(handle, text); });
    std::streambuf* own = stream.rdbuf(console.get());
    replaced.push_back({&stream, own, std::move(console)});
  }
};

ConsoleStreams::ConsoleStreams() : installed_(std::make_unique<Installed>()) {
  installed_->ReplaceIfConsole(std::cout, stdout);
  installed_->ReplaceIfConsole(std::cerr, stderr);
}

ConsoleStreams::~ConsoleStreams() {
  // Standard output first, as the streams are flushed at exit.
  for (Installed::Replaced& replaced : installed_->replaced) {
    replaced.console->Finish();
    replaced.stream->rdbuf(replaced.own);
  }
}

bool WriteText(std::FILE* stream, std::string_view utf8) {
  const HANDLE handle = HandleOf(stream);
  if (!IsConsole(handle)) {
    return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  }
  // Bytes the stream still holds go first, so that the text keeps its place after them.
  return std::fflush(stream) == 0 && WriteCharacters(handle, ConsoleUtf16FromUtf8(utf8));
}

}  // namespace qu
