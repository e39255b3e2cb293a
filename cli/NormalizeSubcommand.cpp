// qutrack normalize IN OUT: load a track and save it again in the form this tool writes.
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/OutputTarget.h"
#include "trackio/TrackFile.h"

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
  if (Status status = SaveTrackTo(options.output, model, files); !status) {
    return Fail(kCannotSave, status.reason());
  }
  NoteSavedName(options.output);
  return kSuccess;
}

}  // namespace

Command AddNormalizeCommand(CLI::App& app) {
  auto options = std::make_shared<NormalizeOptions>();
  CLI::App* command = app.add_subcommand(
      "normalize",
      "Load IN and save it to OUT (recomputed sizes, fixed chunk order, zeroed reserved bytes).");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_option("OUT", options->output, kTrackOutputHelp)->required();
  return {command, [options] { return RunNormalize(*options); }};
}

}  // namespace qu::cli
