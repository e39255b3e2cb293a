#pragma once

#include <QUndoCommand>
#include <cstddef>

#include "geometry/SegmentRun.h"
#include "trackio/VertexChunks.h"

namespace qu {

// One COMBINE! as an undoable step: the two control points it rewrote, before and after.
// Undo and redo write them back bit for bit; the run's other vertices never changed.
class CombineUndoStep : public QUndoCommand {
 public:
  struct Handles {
    Vector3 startOut;  // controlOut of the run's first vertex
    Vector3 endIn;     // controlIn of the run's end vertex
  };

  // The step of the COMBINE! of `run` just done on `chunk`: `before` are the handles read
  // before it, the handles now in the chunk are after it, and `maxDeviation` is what the fit
  // reported.
  CombineUndoStep(VertexChunk& chunk, const SegmentRun& run, const Handles& before,
                  double maxDeviation);

  void undo() override { Apply(before_); }
  void redo() override { Apply(after_); }

  double maxDeviation() const { return maxDeviation_; }
  // The run: segments first() … first() + segments() − 1.
  int first() const { return static_cast<int>(startVertex_); }
  int segments() const { return static_cast<int>(endVertex_ - startVertex_); }
  const Handles& before() const { return before_; }

  // The two handles a COMBINE! of `run` rewrites; none when the run does not lie within the
  // chunk's segments (the combine refuses it then).
  static Handles Read(const VertexChunk& chunk, const SegmentRun& run);

 private:
  void Apply(const Handles& handles);

  VertexChunk& chunk_;
  std::size_t startVertex_;
  std::size_t endVertex_;
  Handles before_;
  Handles after_;
  double maxDeviation_;
};

}  // namespace qu
