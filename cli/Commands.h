#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace qu::cli {

// Each subcommand registers itself on the app and returns it with the action that runs it once
// the command line has been parsed; the action returns the process's exit status.
using Action = std::function<int()>;
struct Command {
  CLI::App* app;
  Action run;
};

Command AddNormalizeCommand(CLI::App& app);
Command AddInfoCommand(CLI::App& app);
Command AddCombineCommand(CLI::App& app);
Command AddPlotCommand(CLI::App& app);

// Prints "error: REASON" on standard error and returns `code`.
int Fail(int code, const std::string& reason);

}  // namespace qu::cli
