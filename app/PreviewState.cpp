#include "app/PreviewState.h"

#include <chrono>
#include <memory>
#include <utility>

namespace qu {

PreviewState::PreviewState(QObject* parent) : QObject(parent) {
  // One thread: jobs run in the order they are started, a version's preparation first.
  pool_.setMaxThreadCount(1);
}

PreviewState::~PreviewState() {
  Cancel();
  pool_.clear();
  pool_.waitForDone();
}

void PreviewState::SetCurrent(VertexSnapshot vertices) {
  if (vertices == current_) return;
  current_ = std::move(vertices);
  ForgetVersion();
}

void PreviewState::ForgetVersion() {
  // Its table goes with it once no job holds it, even while the preview stays hidden.
  version_ = {};
  versionOf_ = nullptr;
}

TrackVersionPtr PreviewState::version() const {
  if (!version_.valid() ||
      version_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    return nullptr;
  }
  return version_.get();
}

void PreviewState::Cancel() {
  ++generation_;
}

void PreviewState::Request(PreviewRequest request) {
  if (request.mode != PreviewRequest::Mode::kNoTrack && versionOf_ != current_) {
    // The old version is let go when its last job ends.
    auto prepared = std::make_shared<std::promise<TrackVersionPtr>>();
    version_ = prepared->get_future().share();
    versionOf_ = current_;
    pool_.start([this, prepared, vertices = current_, size = request.size,
                 ratio = request.devicePixelRatio] {
      auto version = std::make_shared<const TrackVersion>(vertices);
      // The picture the panel shows first is drawn over the rest of the track at its size.
      version->RestLayer(size, ratio);
      ++versionsPrepared_;
      prepared->set_value(std::move(version));
    });
  }
  const std::uint64_t generation = ++generation_;
  pool_.start([this, generation, request = std::move(request), version = version_]() mutable {
    if (generation != generation_.load()) return;
    if (request.mode != PreviewRequest::Mode::kNoTrack) request.current = version.get();
    PreviewContent content = ComputePreview(request);
    QMetaObject::invokeMethod(
        this,
        [this, generation, content = std::move(content)]() mutable {
          if (generation == generation_.load()) emit ready(std::move(content));
        },
        Qt::QueuedConnection);
  });
}

}  // namespace qu
