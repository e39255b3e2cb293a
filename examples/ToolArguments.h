#pragma once

// The first argument of a developer tool (make-sample, make-corpus, make-synthetic), checked
// before it is taken for a name to write: these tools take names only, so --help must not
// become a file called "--help.qutrack".

#include <iostream>
#include <optional>
#include <string_view>

namespace qu::tools {

// Answers `--help` and `-h` with the usage on standard output (status 0) and refuses any other
// first argument that begins with '-' (status 2); nothing when the tool should go on. `usage`
// is the whole text, ending in a newline.
inline std::optional<int> AnswerOptions(int argc, char** argv, std::string_view usage) {
  if (argc < 2 || argv[1][0] != '-') return std::nullopt;
  const std::string_view option = argv[1];
  if (option == "--help" || option == "-h") {
    std::cout << usage;
    return std::cout.flush() ? 0 : 1;
  }
  std::cerr << "error: unknown option '" << option << "'\n" << usage;
  return 2;
}

}  // namespace qu::tools
