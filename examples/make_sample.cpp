// Writes the example track that the README and the demo use.
#include <iostream>

#include "examples/SampleTracks.h"
#include "trackio/TrackFile.h"

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "examples/sample.qutrack";
  qu::TrackModel model = qu::samples::MakeSampleTrack();
  if (qu::Status status = qu::SaveTrack(path, model); !status) {
    std::cerr << "error: " << status.reason() << "\n";
    return 1;
  }
  std::cout << "wrote " << qu::SavePathFor(path) << "\n";
  return 0;
}
