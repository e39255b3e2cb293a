#pragma once

#include <functional>

namespace qu {

// Runs work(chunk) for every chunk 0 … chunks − 1 and returns when all have run. The calling
// thread takes chunks in turn with one helper thread, when the helper is free; which thread
// runs which chunk varies from call to call, so work(chunk) must write only what belongs to
// its chunk and read nothing another chunk writes. Results then do not depend on the number
// of threads. Used for the per-sample loops of long runs, where one chunk is a few
// microseconds of work and the wake-up of the helper pays.
void RunSampleChunks(int chunks, const std::function<void(int chunk)>& work);

// The samples a chunk covers, and whether a run of `count` samples is long enough to share.
inline constexpr int kSamplesPerChunk = 2048;
inline int ChunkCount(int count) {
  return (count + kSamplesPerChunk - 1) / kSamplesPerChunk;
}

}  // namespace qu
