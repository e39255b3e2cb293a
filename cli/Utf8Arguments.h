#pragma once

#include <string>
#include <vector>

namespace qu::cli {

// The program's arguments in UTF-8, the encoding the libraries take file names in. On Windows
// the narrow arguments main receives are in the ANSI code page, which cannot hold every name,
// so they are read again from the wide command line; elsewhere they are taken as they are.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, char** argv);
  Utf8Arguments(const Utf8Arguments&) = delete;
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;

  int argc() const { return static_cast<int>(texts_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;  // into texts_, ending in nullptr as main's argv does
};

}  // namespace qu::cli
