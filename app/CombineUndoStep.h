#pragma once

#include <QUndoCommand>
#include <cstddef>

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

  // The run is segments first … first + segments − 1, so vertex first + segments is its
  // end; `maxDeviation` is what the fit reported.
  CombineUndoStep(VertexChunk& chunk, int first, int segments, const Handles& before,
                  const Handles& after, double maxDeviation);

  void undo() override { Apply(before_); }
  void redo() override { Apply(after_); }

  double maxDeviation() const { return maxDeviation_; }
  // The run: segments first() … first() + segments() − 1.
  int first() const { return static_cast<int>(startVertex_); }
  int segments() const { return static_cast<int>(endVertex_ - startVertex_); }
  const Handles& before() const { return before_; }

  static Handles Read(const VertexChunk& chunk, int first, int segments);

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
