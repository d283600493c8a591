#include "device/tuner_status_thread.h"

#include <algorithm>

namespace qev::device {

bool TAutoResetEvent::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const bool woken = wake_.wait_for(lock, timeout, [this] { return set_; });
  set_ = false;
  return woken;
}

void TAutoResetEvent::Wake() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  wake_.notify_one();
}

// What a queued read needs; it outlives the thread object, so a read that runs after the
// monitor is gone finds it dead and does nothing.
struct TTunerStatusThread::Shared {
  Task read;
  std::atomic<int> mode{kPaused};
  std::atomic<bool> alive{true};
  std::atomic<bool> readQueued{false};
};

TTunerStatusThread::TTunerStatusThread(Task read, PostFn post, IntervalFn interval,
                                       IStatusPacer *pacer)
    : shared_(std::make_shared<Shared>()), post_(std::move(post)), interval_(std::move(interval)),
      pacer_(pacer != nullptr ? *pacer : event_) {
  shared_->read = std::move(read);
  thread_ = std::thread([this] { Loop(); });
}

TTunerStatusThread::~TTunerStatusThread() { Terminate(); }

void TTunerStatusThread::SetMode(int mode) {
  if (mode < kPaused || mode > kStopped)
    return;
  int current = shared_->mode.load();
  while (current < kStopped && !shared_->mode.compare_exchange_weak(current, mode)) {
  }
}

int TTunerStatusThread::GetMode() const { return shared_->mode.load(); }

void TTunerStatusThread::Terminate() {
  shared_->alive = false;
  if (terminated_.exchange(true))
    return;
  pacer_.Wake();
  if (thread_.joinable())
    thread_.join();
}

void TTunerStatusThread::Loop() {
  while (!terminated_) {
    if (shared_->mode == kPolling)
      PostRead();
    const int interval = std::max(interval_(), kMinIntervalMs);
    if (pacer_.Wait(std::chrono::milliseconds(interval)))
      break;
  }
}

// One read in the queue at a time: a busy user-interface thread gets no backlog.
void TTunerStatusThread::PostRead() {
  if (shared_->readQueued.exchange(true))
    return;
  post_([shared = shared_] {
    shared->readQueued = false;
    if (shared->alive && shared->mode == kPolling)
      shared->read();
  });
}

} // namespace qev::device
