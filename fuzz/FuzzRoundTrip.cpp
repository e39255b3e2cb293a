// Any bytes as a track file, checked for one thing only, as fast as possible: a load fails
// cleanly, or gives a model that saves, loads again and saves to the same bytes. The models
// and buffers live from one input to the next, so their memory is reused.
#include <cstdint>
#include <cstdlib>

#include "trackio/TrackFile.h"

namespace {

struct RoundTrip {
  qu::TrackModel model;
  qu::TrackModel again;
  qu::TrackBuffer first;
  qu::TrackBuffer second;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static RoundTrip state;
  if (!qu::ParseTrack({data, size}, state.model)) return 0;
  if (!qu::SerializeTrack(state.model, state.first)) std::abort();
  if (!qu::ParseTrack(state.first, state.again)) std::abort();
  if (!qu::SerializeTrack(state.again, state.second)) std::abort();
  if (state.second != state.first) std::abort();
  return 0;
}
