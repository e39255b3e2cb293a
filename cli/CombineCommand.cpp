#include "Commands.h"
#include "ExitCodes.h"

namespace qu::cli {
Command AddCombineCommand(CLI::App& app) {
  return {app.add_subcommand("combine", "not yet"), [] { return Fail(kUsage, "not yet"); }};
}
}  // namespace qu::cli
