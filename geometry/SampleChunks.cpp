#include "SampleChunks.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qu {
namespace {

struct Job {
  const std::function<void(int)>* work;
  int chunks;
  std::atomic<int> next{0};
};

void TakeChunks(Job& job) {
  for (int chunk = job.next.fetch_add(1); chunk < job.chunks; chunk = job.next.fetch_add(1)) {
    (*job.work)(chunk);
  }
}

// One thread that joins in the chunks of whichever caller offers a job first; other callers
// meanwhile run their chunks alone.
class Helper {
 public:
  static Helper& Instance() {
    static Helper helper;
    return helper;
  }

  ~Helper() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

  // Returns false when the helper is busy with another caller's job.
  bool Offer(Job& job) {
    {
      const std::lock_guard lock(mutex_);
      if (job_ != nullptr) return false;
      if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
      job_ = &job;
      taken_ = false;
    }
    wake_.notify_one();
    return true;
  }

  // Called once the caller has run out of chunks: a job the helper has not woken up for yet
  // is withdrawn, otherwise this waits for the helper's last chunk.
  void Finish() {
    std::unique_lock lock(mutex_);
    if (!taken_) {
      job_ = nullptr;
      return;
    }
    done_.wait(lock, [this] { return job_ == nullptr; });
  }

 private:
  Helper() = default;

  void Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || (job_ != nullptr && !taken_); });
      if (stop_) return;
      taken_ = true;
      Job& job = *job_;
      lock.unlock();
      TakeChunks(job);
      lock.lock();
      job_ = nullptr;
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  Job* job_ = nullptr;
  bool taken_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace

void RunSampleChunks(int chunks, const std::function<void(int chunk)>& work) {
  Job job{&work, chunks};
  if (chunks < 2) {
    TakeChunks(job);
    return;
  }
  Helper& helper = Helper::Instance();
  const bool shared = helper.Offer(job);
  TakeChunks(job);
  if (shared) helper.Finish();
}

}  // namespace qu
