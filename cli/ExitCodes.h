#pragma once

namespace qu::cli {

// Distinct failures get distinct exit statuses so that scripts can tell them apart.
enum ExitCode : int {
  kSuccess = 0,
  kCannotLoad = 1,
  kUsage = 2,
  kCombineRefused = 3,
  kCannotSave = 4,  // also standard output
  kInternal = 5,    // an unexpected exception: a fault of this program
};

}  // namespace qu::cli
