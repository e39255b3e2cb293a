// qutrack info IN [--json]: what a track file holds, as the loader read it.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/TrackReport.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackFile.h"

namespace qu::cli {
namespace {

using nlohmann::ordered_json;

struct InfoOptions {
  std::string input;
  bool json = false;
};

int RunInfo(const InfoOptions& options) {
  TrackModel model;
  ChunkTrace trace;
  if (Status status = LoadTrack(options.input, model, &trace); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(PathFromUtf8(options.input), ec);
  const ordered_json info = DescribeTrack(options.input, ec ? 0 : bytes, model, trace);
  if (options.json) {
    std::cout << info.dump(2) << "\n";
  } else {
    PrintTrackReport(info, std::cout);
  }
  return kSuccess;
}

}  // namespace

Command AddInfoCommand(CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Show the chunk tree, table counts and extent of a track file.");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_flag("--json", options->json, "Print the description as JSON");
  return {command, [options] { return RunInfo(*options); }};
}

}  // namespace qu::cli
