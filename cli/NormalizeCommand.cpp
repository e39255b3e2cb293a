// qutrack normalize IN OUT: load a track and save it again in the form this tool writes.
#include <iostream>
#include <memory>

#include "Commands.h"
#include "DisplayText.h"
#include "ExitCodes.h"
#include "TrackFile.h"

namespace qu::cli {
namespace {

struct NormalizeOptions {
  std::string input;
  std::string output;
};

int RunNormalize(const NormalizeOptions& options) {
  // One buffer for both: the save reuses the memory the file was read into.
  TrackModel model;
  TrackFiles files;
  if (Status status = files.Load(options.input, model); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  if (Status status = files.Save(options.output, model); !status) {
    return Fail(kCannotSave, status.reason());
  }
  if (SavePathFor(options.output) != options.output) {
    std::cerr << "note: saved as " << DisplayText(SavePathFor(options.output)) << "\n";
  }
  return kSuccess;
}

}  // namespace

Command AddNormalizeCommand(CLI::App& app) {
  auto options = std::make_shared<NormalizeOptions>();
  CLI::App* command = app.add_subcommand(
      "normalize",
      "Load IN and save it to OUT (recomputed sizes, fixed chunk order, zeroed reserved bytes).");
  command->add_option("IN", options->input, "Track file to read")->required();
  command
      ->add_option("OUT", options->output, "Track file to write (.qutrack is appended if missing)")
      ->required();
  return {command, [options] { return RunNormalize(*options); }};
}

}  // namespace qu::cli
