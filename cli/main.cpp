// qutrack: batch work on track files from the command line.
#include "cli/Commands.h"
#include "cli/Utf8Arguments.h"

int main(int argc, char** argv) {
  qu::cli::Utf8Arguments arguments(argc, argv);
  return qu::cli::RunQutrack(arguments.argc(), arguments.argv());
}
