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

// The count of -n, checked when the command line is parsed: decimal digits with an optional
// sign, whatever zeros lead them ("010" is 10), at least 1 and at most 2147483647. The text is
// handed on in its plain decimal form, so the conversion that follows never takes it for octal
// or hexadecimal.
extern const CLI::Validator kSegmentCount;
// The first segment of --start, read the same way: a 0-based index, at least 0.
extern const CLI::Validator kFirstSegment;

// What OUT may be, in the help of each subcommand.
inline constexpr const char* kTrackOutputHelp =
    "Track file to write (.qutrack is appended if missing); -, a descriptor such as /dev/fd/3, "
    "or a device or FIFO such as /dev/null gets the track as a stream";
inline constexpr const char* kPictureOutputHelp =
    "SVG file to write, never over a track file; -, a descriptor such as /dev/fd/3, or a device "
    "or FIFO such as /dev/null gets the picture as a stream";

// Runs qutrack with the arguments in UTF-8, the program's name first, and returns its exit
// status; what it prints goes to standard output and standard error.
int RunQutrack(int argc, char** argv);

// Prints "error: REASON" on standard error, the reason through DisplayText, and returns `code`.
int Fail(int code, const std::string& reason);

}  // namespace qu::cli
