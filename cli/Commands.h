#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

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

// The count of -n: at least 1, checked when the command line is parsed. Text that is no
// integer is left to the conversion, which names it as such.
inline const CLI::Validator kSegmentCount(
    [](std::string& text) -> std::string {
      int count = 0;
      if (!CLI::detail::lexical_cast(text, count) || count >= 1) return {};
      return "must be at least 1, not " + text;
    },
    "POSITIVE");

// Runs qutrack with the arguments in UTF-8, the program's name first, and returns its exit
// status; what it prints goes to standard output and standard error.
int RunQutrack(int argc, char** argv);

// Prints "error: REASON" on standard error, the reason through DisplayText, and returns `code`.
int Fail(int code, const std::string& reason);

}  // namespace qu::cli
