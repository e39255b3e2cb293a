// qutrack's command line: the subcommands, the parsing and the exit status.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "text/DisplayText.h"

#ifndef QU_VERSION
#error "QU_VERSION must be defined by the build"
#endif

namespace qu::cli {

int Fail(int code, const std::string& reason) {
  std::cerr << "error: " << DisplayText(reason) << "\n";
  return code;
}

namespace {

// What a command printed is its product: once it has run, standard output is flushed and
// checked, so that a full disk or a closed descriptor is not reported as success. A command
// that failed already keeps its own status and its one error line.
int CheckStandardOutput(int status) {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if ((flushed && std::cout && !std::ferror(stdout)) || status != kSuccess) return status;
  std::string reason = "cannot write to standard output";
  if (error != 0) {
    // The system's text ends the sentence, in lower case as every other reason prints it.
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
      text[0] = static_cast<char>(text[0] - 'A' + 'a');
    reason += ": " + text;
  }
  return Fail(kCannotSave, reason);
}

// Prints the help or the version. The parser would end it with a flush of its own, whose failure
// would leave no trace of the system's reason; it is written here and flushed once, checked.
int PrintAnswer(const CLI::App& app, const CLI::Error& answer) {
  std::ostringstream text;
  const int status = app.exit(answer, text, std::cerr);
  std::cout << text.str();
  return CheckStandardOutput(status);
}

// The arguments as the parser reads them. On Windows "/?" as the first argument asks for the
// help, as it does of the system's own commands; elsewhere it is a name like any other.
std::vector<const char*> ParsedArguments(int argc, char** argv) {
  std::vector<const char*> arguments(argv, argv + argc);
#ifdef _WIN32
  if (arguments.size() > 1 && std::string_view(arguments[1]) == "/?") arguments[1] = "--help";
#endif
  return arguments;
}

}  // namespace

int RunQutrack(int argc, char** argv) {
  CLI::App app{"Inspect, normalise and reshape track files."};
  app.name("qutrack");
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every subcommand");
  app.set_version_flag("--version", "qutrack " QU_VERSION, "Show the version and exit");

  const Command commands[] = {AddNormalizeCommand(app), AddInfoCommand(app), AddCombineCommand(app),
                              AddPlotCommand(app)};

  try {
    const std::vector<const char*> arguments = ParsedArguments(argc, argv);
    app.parse(static_cast<int>(arguments.size()), arguments.data());
  } catch (const CLI::CallForHelp& e) {
    return PrintAnswer(app, e);
  } catch (const CLI::CallForAllHelp& e) {
    return PrintAnswer(app, e);
  } catch (const CLI::CallForVersion& e) {
    return PrintAnswer(app, e);
  } catch (const CLI::ParseError& e) {
    return Fail(kUsage, std::string(e.what()) + " (see 'qutrack --help')");
  }
  for (const Command& command : commands) {
    if (!command.app->parsed()) continue;
    try {
      return CheckStandardOutput(command.run());
    } catch (const std::exception& e) {
      // Nothing a command calls should throw; if something does, say so in one line.
      return Fail(kInternal, std::string("internal failure: ") + e.what());
    }
  }
  return kUsage;
}

}  // namespace qu::cli
