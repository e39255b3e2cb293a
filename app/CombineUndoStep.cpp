#include "app/CombineUndoStep.h"

namespace qu {
namespace {

QString StepName(int first, int segments) {
  const QString run = QString("COMBINE! %1 segment%2").arg(segments).arg(segments == 1 ? "" : "s");
  return first == 0 ? run : run + QString(" from segment %1").arg(first);
}

}  // namespace

CombineUndoStep::CombineUndoStep(VertexChunk& chunk, const SegmentRun& run, const Handles& before,
                                 double maxDeviation)
    : QUndoCommand(StepName(run.first, run.count)),
      chunk_(chunk),
      startVertex_(static_cast<std::size_t>(run.first)),
      endVertex_(static_cast<std::size_t>(run.first) + static_cast<std::size_t>(run.count)),
      before_(before),
      after_(Read(chunk, run)),
      maxDeviation_(maxDeviation) {}

CombineUndoStep::Handles CombineUndoStep::Read(const VertexChunk& chunk, const SegmentRun& run) {
  const bool withinTable =
      run.count >= 1 && run.first >= 0 && run.count <= SegmentCount(chunk) - run.first;
  if (!withinTable) return {};
  const auto start = static_cast<std::size_t>(run.first);
  return {chunk.Vertices[start].controlOut,
          chunk.Vertices[start + static_cast<std::size_t>(run.count)].controlIn};
}

void CombineUndoStep::Apply(const Handles& handles) {
  chunk_.Vertices[startVertex_].controlOut = handles.startOut;
  chunk_.Vertices[endVertex_].controlIn = handles.endIn;
}

}  // namespace qu
