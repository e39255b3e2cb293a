// qutrack plot IN OUT.svg [-n N]: a picture of the track's path, and of a combine.
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "Commands.h"
#include "ExitCodes.h"
#include "FileAccess.h"
#include "OutputTarget.h"
#include "SegmentMerge.h"
#include "TrackFile.h"
#include "TrackPlot.h"

namespace qu::cli {
namespace {

struct PlotOptions {
  std::string input;
  std::string output;
  std::optional<int> segments;
};

int RunPlot(const PlotOptions& options) {
  TrackModel model;
  if (Status status = LoadTrack(options.input, model); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  std::string title = Utf8FromPath(PathFromUtf8(options.input).filename());
  std::optional<plot::CombineOverlay> overlay;
  if (options.segments) {
    VertexChunk combined = model.bezr;
    const CombineResult result = CombineSegments(combined, 0, *options.segments - 1);
    if (!result.combined()) return Fail(kCombineRefused, result.reason);
    overlay =
        plot::CombineOverlay{std::move(combined.Vertices), *options.segments, result.maxDeviation};
    title += ": the first " + std::to_string(*options.segments) + " segments combined";
  }
  const std::string svg = plot::RenderSvg(model.bezr.Vertices, title, overlay);
  if (Status status = WritePicture(options.output, svg); !status) {
    return Fail(kCannotSave, status.reason());
  }
  return kSuccess;
}

}  // namespace

Command AddPlotCommand(CLI::App& app) {
  auto options = std::make_shared<PlotOptions>();
  CLI::App* command = app.add_subcommand(
      "plot",
      "Draw the track's path as SVG: the plan and the elevation profile. With -n N, the first N "
      "segments before and after combining them.");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_option("OUT", options->output, kPictureOutputHelp)->required();
  command
      ->add_option("-n,--segments", options->segments, "Show the combine of the first N segments")
      ->transform(kSegmentCount);
  return {command, [options] { return RunPlot(*options); }};
}

}  // namespace qu::cli
