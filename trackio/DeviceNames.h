#pragma once

#include <string_view>

namespace qu {

// Whether Windows takes `fileName` (a name without folders, in UTF-8) for a device rather than
// a file, in any folder: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 (also with the
// superscript digits 1 to 3), CONIN$ and CONOUT$, in any case, with any extension, and with
// blanks between the name and its extension.
bool IsWindowsDeviceName(std::string_view fileName);

}  // namespace qu
