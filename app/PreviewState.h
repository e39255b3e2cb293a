#pragma once

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <future>
#include <vector>

#include "app/Preview.h"

namespace qu {

// What the window's preview keeps: the vertex table as it is now (a snapshot the track's
// document shares with it), the prepared version of the track that the pictures are drawn
// over, and the jobs that draw them on a thread of their own.
//
// A version is prepared once for each vertex table that a picture is asked of: after a load,
// a COMBINE!, an undo or a redo, the first request prepares it on the preview's thread, and
// every later request of the same table shares it. Jobs run one at a time in the order asked,
// so a request always finds its version ready; a request that a newer one has overtaken
// before it started does nothing, and a result that one overtakes is not announced.
class PreviewState : public QObject {
  Q_OBJECT

 public:
  explicit PreviewState(QObject* parent = nullptr);
  // Waits for the job that runs; none is started or announced from then on.
  ~PreviewState() override;

  const VertexSnapshot& current() const { return current_; }
  // The table the pictures are of from now on; another snapshot than the current one makes
  // the next request prepare a new version.
  void SetCurrent(VertexSnapshot vertices);

  // Starts the job for a request: the current track's version is filled in (and prepared
  // first when it is new).
  void Request(PreviewRequest request);
  // Results not yet announced are dropped.
  void Cancel();

  // How many versions have been prepared so far.
  int versionsPrepared() const { return versionsPrepared_.load(); }
  // The version the latest request was drawn over, once it is ready; null before.
  TrackVersionPtr version() const;

 signals:
  void ready(qu::PreviewContent content);

 private:
  void ForgetVersion();

  VertexSnapshot current_ = std::make_shared<const std::vector<BezierVertex>>();
  // The version of `current_`, once a request has asked for it; the table it is made from.
  std::shared_future<TrackVersionPtr> version_;
  VertexSnapshot versionOf_;
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<int> versionsPrepared_{0};
  QThreadPool pool_;
};

}  // namespace qu
