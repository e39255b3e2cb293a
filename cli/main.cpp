// qutrack: batch work on track files from the command line.
#include <iostream>

#include "Commands.h"
#include "ExitCodes.h"
#include "Utf8Arguments.h"

namespace qu::cli {

int Fail(int code, const std::string& reason) {
  std::cerr << "error: " << reason << "\n";
  return code;
}

}  // namespace qu::cli

int main(int argc, char** argv) {
  using namespace qu::cli;
  Utf8Arguments arguments(argc, argv);
  CLI::App app{"Inspect, normalise and reshape track files."};
  app.name("qutrack");
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every subcommand");

  const Command commands[] = {AddNormalizeCommand(app), AddInfoCommand(app), AddCombineCommand(app),
                              AddPlotCommand(app)};

  try {
    app.parse(arguments.argc(), arguments.argv());
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "error: " << e.what() << " (see 'qutrack --help')\n";
    return kUsage;
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return kUsage;
}
