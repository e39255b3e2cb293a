// Writes the large synthetic track that the normalize-versus-cp measurement uses.
#include <iostream>

#include "SampleTracks.h"
#include "TrackFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make-synthetic OUT.qutrack\n";
    return 2;
  }
  qu::TrackModel model = qu::samples::MakeSyntheticTrack({});
  if (qu::Status status = qu::SaveTrack(argv[1], model); !status) {
    std::cerr << "error: " << status.reason() << "\n";
    return 1;
  }
  return 0;
}
