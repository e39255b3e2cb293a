// Any bytes as a track file, checked for one thing only, as fast as possible: a load fails
// cleanly, or gives a model that saves, loads again and saves to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "trackio/TrackFile.h"

// Everything is local to one input: memory kept from one input to the next would make
// libFuzzer see more allocations than releases and look for a leak after each such input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qu::TrackModel model;
  if (!qu::ParseTrack({data, size}, model)) return 0;
  qu::TrackBuffer first;
  if (!qu::SerializeTrack(model, first)) std::abort();
  qu::TrackModel again;
  if (!qu::ParseTrack(first, again)) std::abort();
  qu::TrackBuffer second;
  if (!qu::SerializeTrack(again, second)) std::abort();
  if (second != first) std::abort();
  return 0;
}
