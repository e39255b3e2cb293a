// The entry points of the chunk types whose layouts ChunkLayouts.h defines.
#include "trackio/ChunkLayouts.h"

namespace qu {

template struct ChunkEntryPoints<TrackChunk>;
template struct ChunkEntryPoints<InfoChunk>;
template struct ChunkEntryPoints<SuppChunk>;
template struct ChunkEntryPoints<FundChunk>;
template struct ChunkEntryPoints<RascChunk>;
template struct ChunkEntryPoints<FrenChunk>;
template struct ChunkEntryPoints<TubeChunk>;
template struct ChunkEntryPoints<CatwChunk>;
template struct ChunkEntryPoints<ScenChunk>;
template struct ChunkEntryPoints<ScobChunk>;
template struct ChunkEntryPoints<TeraChunk>;
template struct ChunkEntryPoints<EnvcChunk>;

}  // namespace qu
