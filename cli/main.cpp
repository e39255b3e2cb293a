// qutrack: batch work on track files from the command line.
#include "cli/Commands.h"
#include "cli/Utf8Arguments.h"
#include "text/ConsoleWriter.h"

int main(int argc, char** argv) {
  qu::cli::Utf8Arguments arguments(argc, argv);
  // Everything the commands print goes through std::cout and std::cerr: a console shows it
  // in its own characters, a file or a pipe gets the UTF-8 bytes.
  const qu::ConsoleStreams console;
  return qu::cli::RunQutrack(arguments.argc(), arguments.argv());
}
