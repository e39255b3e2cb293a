// Writes the large synthetic track that the normalize-versus-cp measurement uses or, given a
// vertex count, the sample track with its path replaced by the smooth path of that many
// vertices that the merge benchmark fits.
#include <charconv>
#include <cstring>
#include <iostream>

#include "examples/SampleTracks.h"
#include "examples/ToolArguments.h"
#include "trackio/TrackFile.h"

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: make-synthetic OUT.qutrack [VERTICES]\n"
      "Writes the large synthetic track of the normalize-versus-cp measurement or, with\n"
      "VERTICES, the sample track with a smooth path of that many vertices (.qutrack appended\n"
      "if missing).\n";
  if (const auto status = qu::tools::AnswerOptions(argc, argv, kUsage)) return *status;
  std::int32_t vertices = 0;
  if (argc == 3) {
    const char* end = argv[2] + std::strlen(argv[2]);
    const auto [stop, error] = std::from_chars(argv[2], end, vertices);
    if (error != std::errc() || stop != end || vertices < 2) argc = 0;
  }
  if (argc != 2 && argc != 3) {
    std::cerr << kUsage;
    return 2;
  }
  qu::TrackModel model;
  if (vertices == 0) {
    model = qu::samples::MakeSyntheticTrack({});
  } else {
    model = qu::samples::MakeSampleTrack();
    model.bezr.Vertices = qu::samples::MakeSmoothPath(vertices);
  }
  if (qu::Status status = qu::SaveTrack(argv[1], model); !status) {
    std::cerr << "error: " << status.reason() << "\n";
    return 1;
  }
  return 0;
}
