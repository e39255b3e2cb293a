// qutrack plot IN OUT.svg [-n N]: a picture of the track's path, and of a combine.
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "CombineOverlay.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "FileAccess.h"
#include "OutputTarget.h"
#include "SvgWriter.h"
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
  std::string title = plot::ShortenedName(Utf8FromPath(PathFromUtf8(options.input).filename()));
  std::optional<plot::CombineOverlay> overlay;
  if (options.segments) {
    plot::CombineOverlayResult combined =
        plot::BuildCombineOverlay(model.bezr.Vertices, 0, *options.segments);
    if (!combined.overlay) return Fail(kCombineRefused, combined.combine.reason);
    overlay = std::move(combined.overlay);
    title += ": the first " + std::to_string(*options.segments) + " segments combined";
  }
  const std::string svg =
      plot::WriteSvg(plot::DrawTrack(model.bezr.Vertices, title, overlay ? &*overlay : nullptr));
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
