#pragma once

#include <string>
#include <string_view>

namespace qu {

// Bytes from a file name or a file as text that is safe to show anywhere: on a terminal, in a
// JSON string, in XML character data. Valid UTF-8 passes through unchanged. Every other byte,
// and each byte of a control character (U+0000–U+001F, U+007F–U+009F) or of U+FFFE and U+FFFF,
// becomes the four characters `\xNN` (upper-case hex), so nothing that reaches a terminal is a
// control sequence and nothing is invalid UTF-8. Backslashes are kept, so applying it to its
// own result changes nothing; the bytes are not always recoverable from the result.
std::string DisplayText(std::string_view bytes);

}  // namespace qu
