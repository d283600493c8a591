#include "video/mouse_hide_thread.h"

namespace qev::video {

TMouseHideThread::TMouseHideThread(TLinks links)
    : links_(std::move(links)), lastActivity_(links_.Clock().time_since_epoch().count()),
      thread_([this](std::stop_token stop) { Run(stop); }) {}

TMouseHideThread::~TMouseHideThread() {
  thread_.request_stop();
  thread_.join();
}

void TMouseHideThread::MouseActivity() {
  lastActivity_ = links_.Clock().time_since_epoch().count();
}

bool TMouseHideThread::Hidden() const {
  std::lock_guard lock(mutex_);
  return hidden_;
}

void TMouseHideThread::Run(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    wake_.wait_for(lock, stop, kWake, [] { return false; });
    if (stop.stop_requested())
      break;
    lock.unlock();
    Check();
    lock.lock();
  }
}

void TMouseHideThread::Check() {
  const TClock::duration idle =
      links_.Clock().time_since_epoch() - TClock::duration(lastActivity_.load());
  const bool hide = idle >= kIdle && links_.FullScreenVideoOnTop && links_.FullScreenVideoOnTop();
  {
    std::lock_guard lock(mutex_);
    if (hide == hidden_)
      return;
    hidden_ = hide;
  }
  if (links_.SetHidden)
    links_.SetHidden(hide);
}

} // namespace qev::video
