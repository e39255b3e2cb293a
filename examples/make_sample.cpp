// Writes the example track that the README and the demo use.
#include <iostream>

#include "examples/SampleTracks.h"
#include "examples/ToolArguments.h"
#include "trackio/TrackFile.h"

int main(int argc, char** argv) {
  if (const auto status = qu::tools::AnswerOptions(
          argc, argv,
          "usage: make-sample [OUT.qutrack]\n"
          "Writes the sample track (.qutrack appended if missing; examples/sample.qutrack when\n"
          "no name is given).\n")) {
    return *status;
  }
  const std::string path = argc > 1 ? argv[1] : "examples/sample.qutrack";
  qu::TrackModel model = qu::samples::MakeSampleTrack();
  if (qu::Status status = qu::SaveTrack(path, model); !status) {
    std::cerr << "error: " << status.reason() << "\n";
    return 1;
  }
  std::cout << "wrote " << qu::SavePathFor(path) << "\n";
  return 0;
}
