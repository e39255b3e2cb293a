// Any bytes as a track file: a load must fail cleanly or give a model that saves, loads again
// to the same model and saves to the same bytes; a combine on it must keep that true.
#include <cstdint>
#include <cstdlib>

#include "SegmentMerge.h"
#include "TrackFile.h"

namespace {

qu::TrackBuffer SaveOrDie(qu::TrackModel& model) {
  qu::TrackBuffer bytes;
  if (!qu::SerializeTrack(model, bytes)) std::abort();
  return bytes;
}

// Saves, loads and saves again: both saves must be the same bytes.
void CheckRoundTrip(qu::TrackModel& model) {
  const qu::TrackBuffer first = SaveOrDie(model);
  qu::TrackModel again;
  if (!qu::ParseTrack(first, again)) std::abort();
  if (SaveOrDie(again) != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qu::TrackModel model;
  if (!qu::ParseTrack({data, size}, model)) return 0;
  CheckRoundTrip(model);

  // The run length comes from the input's last byte, so the fuzzer can steer it.
  const int segments = size > 0 ? data[size - 1] % 64 : 2;
  const qu::TrackModel before = model;
  const qu::CombineResult result = qu::CombineSegments(model.bezr, 0, segments - 1);
  if (!result.combined()) {
    qu::TrackModel unchanged = before;
    if (SaveOrDie(unchanged) != SaveOrDie(model)) std::abort();  // a refusal changes nothing
    return 0;
  }
  CheckRoundTrip(model);
  return 0;
}
