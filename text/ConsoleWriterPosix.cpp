// The standard streams where the system has no consoles of its own: every stream gets the
// bytes.
#include "text/ConsoleWriter.h"

namespace qu {

struct ConsoleStreams::Installed {};

ConsoleStreams::ConsoleStreams() = default;
ConsoleStreams::~ConsoleStreams() = default;

bool WriteText(std::FILE* stream, std::string_view utf8) {
  return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
}

}  // namespace qu
