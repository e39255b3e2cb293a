// The entry points of the vertex and segment chunks, whose layouts VertexChunkLayouts.h
// defines.
#include "trackio/VertexChunkLayouts.h"

namespace qu {

template struct ChunkEntryPoints<VertexChunk>;
template struct ChunkEntryPoints<SegmentChunk>;

}  // namespace qu
