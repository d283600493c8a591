#include "recording/rec_watch_thread.h"

namespace qev::recording {

TRecWatchThread::TRecWatchThread(std::function<void()> tick, std::chrono::milliseconds period)
    : tick_(std::move(tick)), period_(period), thread_([this] { Run(); }) {}

TRecWatchThread::~TRecWatchThread() {
  {
    const std::lock_guard lock(mutex_);
    shutdown_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void TRecWatchThread::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, period_, [this] { return shutdown_; })) {
    lock.unlock();
    tick_();
    lock.lock();
  }
}

} // namespace qev::recording
