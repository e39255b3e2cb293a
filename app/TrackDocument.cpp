#include "app/TrackDocument.h"

#include <memory>
#include <vector>

#include "app/CombineUndoStep.h"
#include "app/FileNames.h"
#include "trackio/TrackFile.h"

namespace qu {

TrackDocument::TrackDocument(QObject* parent) : QObject(parent) {
  connect(&history_, &QUndoStack::indexChanged, this, &TrackDocument::HistoryMoved);
}

bool TrackDocument::modified() const {
  return !SameControlPoints(model_.bezr.Vertices, *saved_);
}

int TrackDocument::segments() const {
  return SegmentCount(model_.bezr);
}

Status TrackDocument::Load(const std::string& path) {
  const Status status = LoadTrack(path, model_);
  current_ = std::make_shared<const std::vector<BezierVertex>>(model_.bezr.Vertices);
  loaded_ = current_;
  saved_ = current_;
  SetCurrentFile(status ? path : std::string());
  history_.clear();
  return status;
}

Status TrackDocument::Save(const std::string& path) {
  Status status = SaveTrack(path, model_);
  if (status) {
    saved_ = current_;
    SetCurrentFile(SavePathFor(path));
  }
  return status;
}

void TrackDocument::SetCurrentFile(const std::string& path) {
  name_ = path.empty() ? QString() : ShownFileName(path);
}

CombineResult TrackDocument::Combine(const SegmentRun& run) {
  VertexChunk& chunk = model_.bezr;
  const CombineUndoStep::Handles before = CombineUndoStep::Read(chunk, run);
  const CombineResult result = CombineRun(chunk, run);
  if (result.combined())
    history_.push(new CombineUndoStep(chunk, run, before, result.maxDeviation));
  return result;
}

void TrackDocument::HistoryMoved() {
  // A combine, undo or redo changes the table; a load, whose clearing of the history lands
  // here too, has already taken it.
  if (!SameControlPoints(model_.bezr.Vertices, *current_)) {
    current_ = std::make_shared<const std::vector<BezierVertex>>(model_.bezr.Vertices);
  }
  emit changed();
}

std::optional<LatestCombine> TrackDocument::LatestCombineDone() const {
  if (history_.index() == 0) return std::nullopt;
  std::vector<SegmentRun> runs;
  for (int i = 0; i < history_.index(); ++i) {
    const auto* step = static_cast<const CombineUndoStep*>(history_.command(i));
    runs.push_back({step->first(), step->segments()});
  }
  const auto* latest = static_cast<const CombineUndoStep*>(history_.command(history_.index() - 1));
  return LatestCombine{runs.back(), latest->before().startOut, latest->before().endIn,
                       latest->maxDeviation(), RunsChanged(runs, *loaded_, model_.bezr.Vertices)};
}

}  // namespace qu
