#include "app/CombineUndoStep.h"

namespace qu {
namespace {

QString StepName(int first, int segments) {
  const QString run = QString("COMBINE! %1 segment%2").arg(segments).arg(segments == 1 ? "" : "s");
  return first == 0 ? run : run + QString(" from segment %1").arg(first);
}

}  // namespace

CombineUndoStep::CombineUndoStep(VertexChunk& chunk, int first, int segments, const Handles& before,
                                 const Handles& after, double maxDeviation)
    : QUndoCommand(StepName(first, segments)),
      chunk_(chunk),
      startVertex_(static_cast<std::size_t>(first)),
      endVertex_(static_cast<std::size_t>(first) + static_cast<std::size_t>(segments)),
      before_(before),
      after_(after),
      maxDeviation_(maxDeviation) {}

CombineUndoStep::Handles CombineUndoStep::Read(const VertexChunk& chunk, int first, int segments) {
  const auto start = static_cast<std::size_t>(first);
  return {chunk.Vertices[start].controlOut,
          chunk.Vertices[start + static_cast<std::size_t>(segments)].controlIn};
}

void CombineUndoStep::Apply(const Handles& handles) {
  chunk_.Vertices[startVertex_].controlOut = handles.startOut;
  chunk_.Vertices[endVertex_].controlIn = handles.endIn;
}

}  // namespace qu
