#include "Utf8Arguments.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#endif

namespace qu::cli {

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    try {
      for (int i = 0; i < count; ++i) {
        const std::u8string text = std::filesystem::path(wide[i]).u8string();
        texts_.emplace_back(text.begin(), text.end());
      }
    } catch (const std::exception&) {
      texts_.clear();  // not valid UTF-16: the narrow arguments are all there is
    }
    LocalFree(wide);
  }
#endif
  if (texts_.empty()) texts_.assign(argv, argv + argc);
  for (std::string& text : texts_) pointers_.push_back(text.data());
  pointers_.push_back(nullptr);
}

}  // namespace qu::cli
