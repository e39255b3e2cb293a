#include "CombineCommand.h"

namespace qu {

CombineCommand::CombineCommand(VertexChunk& chunk, int segments, const Handles& before,
                               const Handles& after, double maxDeviation)
    : QUndoCommand(QString("COMBINE! %1 segment%2").arg(segments).arg(segments == 1 ? "" : "s")),
      chunk_(chunk),
      endVertex_(static_cast<std::size_t>(segments)),
      before_(before),
      after_(after),
      maxDeviation_(maxDeviation) {}

CombineCommand::Handles CombineCommand::Read(const VertexChunk& chunk, int segments) {
  return {chunk.Vertices.front().controlOut,
          chunk.Vertices[static_cast<std::size_t>(segments)].controlIn};
}

void CombineCommand::Apply(const Handles& handles) {
  chunk_.Vertices.front().controlOut = handles.startOut;
  chunk_.Vertices[endVertex_].controlIn = handles.endIn;
}

}  // namespace qu
