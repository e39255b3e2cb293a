// qutrack plot IN OUT.svg [-n N [--start S]]: a picture of the track's path, and of a combine.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/OutputTarget.h"
#include "geometry/SegmentMerge.h"
#include "plot/SvgWriter.h"
#include "plot/Title.h"
#include "plot/TrackPlot.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackFile.h"

namespace qu::cli {
namespace {

struct PlotOptions {
  std::string input;
  std::string output;
  std::optional<int> segments;
  int start = 0;  // the combined run's first segment
};

// The words after the file name in the title: the first N segments, or a run that starts later
// by its first and last segment.
std::string CombineTitle(const SegmentRun& run) {
  if (run.first == 0 && run.count == 1) return ": the first segment combined";
  if (run.first == 0) return ": the first " + std::to_string(run.count) + " segments combined";
  if (run.count == 1) return ": segment " + std::to_string(run.first) + " combined";
  return ": segments " + std::to_string(run.first) + " to " +
         std::to_string(run.first + run.count - 1) + " combined";
}

int RunPlot(const PlotOptions& options) {
  TrackModel model;
  if (Status status = LoadTrack(options.input, model); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  std::string title = plot::TitleName(Utf8FromPath(PathFromUtf8(options.input).filename()));
  std::optional<CombinedRun> overlay;
  if (options.segments) {
    const SegmentRun run{options.start, *options.segments};
    CombinedCopy combined = CombineCopyOfRun(model.bezr.Vertices, run);
    if (!combined.combined) return Fail(kCombineRefused, combined.combine.reason);
    overlay = std::move(combined.combined);
    title += CombineTitle(run);
  }
  const std::string svg =
      plot::WriteSvg(plot::DrawTrack(model.bezr.Vertices, title, overlay ? &*overlay : nullptr));
  if (Status status = WritePicture(options.output, options.input, svg); !status) {
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
      "segments, or the N from segment --start S on, before and after combining them.");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_option("OUT", options->output, kPictureOutputHelp)->required();
  CLI::Option* segments = command
                              ->add_option("-n,--segments", options->segments,
                                           "Show the combine of N segments (decimal)")
                              ->transform(kSegmentCount);
  command
      ->add_option("-s,--start", options->start,
                   "Index of the run's first segment, counted from 0 (decimal)")
      ->capture_default_str()
      ->transform(kFirstSegment)
      ->needs(segments);
  return {command, [options] { return RunPlot(*options); }};
}

}  // namespace qu::cli
