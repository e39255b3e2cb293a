// qutrack combine IN OUT [-n N] [--start S]: refit segments S … S + N − 1 as one cubic.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/OutputTarget.h"
#include "geometry/SegmentMerge.h"
#include "trackio/TrackFile.h"

namespace qu::cli {
namespace {

struct CombineOptions {
  std::string input;
  std::string output;
  int segments = 2;
  int start = 0;  // the run's first segment
};

// The shortest text that reads back as the same float.
std::string FloatText(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string PointText(const Vector3& p) {
  return "(" + FloatText(p.x) + ", " + FloatText(p.y) + ", " + FloatText(p.z) + ")";
}

void PrintChange(std::ostream& report, int vertex, const char* member, const Vector3& before,
                 const Vector3& after) {
  report << "vertex " << vertex << " " << member << ": " << PointText(before) << " -> "
         << PointText(after) << "\n";
}

int RunCombine(const CombineOptions& options) {
  TrackModel model;
  if (Status status = LoadTrack(options.input, model); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  const SegmentRun run{options.start, options.segments};
  const VertexChunk before = model.bezr;
  const CombineResult result = CombineRun(model.bezr, run);
  if (!result.combined()) return Fail(kCombineRefused, result.reason);
  TrackFiles files;
  if (Status status = SaveTrackTo(options.output, model, files); !status) {
    return Fail(kCannotSave, status.reason());
  }

  // A track written to standard output leaves the report to standard error.
  std::ostream& report = NamesStandardOutput(options.output) ? std::cerr : std::cout;
  const auto& was = before.Vertices;
  const auto& now = model.bezr.Vertices;
  // A run the combine took lies within the track, so its last segment fits an int.
  const int first = run.first;
  const int last = run.first + run.count - 1;
  const auto end = static_cast<std::size_t>(last + 1);
  report << "combined segments " << first << " to " << last << " of " << SegmentCount(before)
         << " (" << result.sampleCount << " samples)\n";
  PrintChange(report, first, "controlOut", was[first].controlOut, now[first].controlOut);
  PrintChange(report, last + 1, "controlIn", was[end].controlIn, now[end].controlIn);
  char deviation[64];
  std::snprintf(deviation, sizeof deviation, "%.6g", result.maxDeviation);
  report << "largest deviation: " << deviation << "\n";
  std::snprintf(deviation, sizeof deviation, "%.6g", result.fitError);
  report << "fit error of the last refinement pass: " << deviation << "\n";
  NoteSavedName(options.output);
  return kSuccess;
}

}  // namespace

Command AddCombineCommand(CLI::App& app) {
  auto options = std::make_shared<CombineOptions>();
  CLI::App* command = app.add_subcommand(
      "combine",
      "Fit one cubic through the first N segments of IN, or the N from segment --start S on, "
      "keeping the end directions, and save the track with the two new control points to OUT.");
  command->footer("One combine takes at most " + std::to_string(kMaxCombinedSegments) +
                  " segments; more is refused with exit status 3, as is a run past the last "
                  "vertex.");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_option("OUT", options->output, kTrackOutputHelp)->required();
  command
      ->add_option("-n,--segments", options->segments,
                   "Number of Bezier segments to combine (decimal), at most " +
                       std::to_string(kMaxCombinedSegments))
      ->capture_default_str()
      ->transform(kSegmentCount);
  command
      ->add_option("-s,--start", options->start,
                   "Index of the run's first segment, counted from 0 (decimal)")
      ->capture_default_str()
      ->transform(kFirstSegment);
  return {command, [options] { return RunCombine(*options); }};
}

}  // namespace qu::cli
