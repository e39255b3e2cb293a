#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <optional>
#include <string>

#include "app/Preview.h"
#include "geometry/SegmentMerge.h"
#include "geometry/SegmentRun.h"
#include "trackio/Status.h"
#include "trackio/TrackModel.h"

namespace qu {

// The track the window edits: the model, its vertex table as loaded, as it is now and as it
// was last loaded or saved (snapshots that the preview shares: a table that does not change
// is one copy), the name of its file, and the history of its COMBINE!s. Only Load and Save
// change the file it belongs to, through SetCurrentFile.
class TrackDocument : public QObject {
  Q_OBJECT

 public:
  explicit TrackDocument(QObject* parent = nullptr);

  const TrackModel& model() const { return model_; }
  const VertexSnapshot& current() const { return current_; }
  const VertexSnapshot& loaded() const { return loaded_; }
  // The file's name as shown; empty after a failed load.
  const QString& name() const { return name_; }
  // True while the control points differ from the file's as last loaded or saved.
  bool modified() const;
  int segments() const;
  QUndoStack& history() { return history_; }

  // Loads the track at `path` and forgets the history. A failed load leaves the old track in
  // place, but belonging to no file: it can be neither combined nor saved again.
  Status Load(const std::string& path);
  // Writes the track to `path` (SaveTrack); once written, the file written is the track's.
  Status Save(const std::string& path);
  // COMBINE! of a run, made undoable when it combined.
  CombineResult Combine(const SegmentRun& run);
  // The COMBINE! last done and not undone, as the preview describes it.
  std::optional<LatestCombine> LatestCombineDone() const;

 signals:
  // The vertex table changed (COMBINE!, undo, redo), or the history was cleared by a load.
  void changed();

 private:
  void SetCurrentFile(const std::string& path);
  void HistoryMoved();

  TrackModel model_;
  VertexSnapshot current_ = std::make_shared<const std::vector<BezierVertex>>();
  VertexSnapshot loaded_ = current_;
  VertexSnapshot saved_ = current_;
  QString name_;
  QUndoStack history_;
};

}  // namespace qu
