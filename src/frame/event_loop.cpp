#include "frame/event_loop.h"

#include <future>

namespace qev::frame {

EventLoop::EventLoop() : owner_(std::this_thread::get_id()) {}

void EventLoop::Post(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void EventLoop::Send(Task task) {
  if (IsUiThread()) {
    task();
    return;
  }
  std::promise<void> done;
  auto finished = done.get_future();
  Post([&] {
    try {
      task();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  finished.get();
}

bool EventLoop::IsUiThread() const { return std::this_thread::get_id() == owner_; }

bool EventLoop::RunOne(std::unique_lock<std::mutex>& lock) {
  if (tasks_.empty())
    return false;
  Task task = std::move(tasks_.front());
  tasks_.pop_front();
  lock.unlock();
  task();
  lock.lock();
  return true;
}

void EventLoop::ProcessPending() {
  std::unique_lock lock(mutex_);
  // Only what is queued now: a task that posts another must not keep this call spinning.
  for (size_t pending = tasks_.size(); pending > 0 && RunOne(lock); --pending) {
  }
}

int EventLoop::Run() {
  std::unique_lock lock(mutex_);
  quit_ = false;
  while (!quit_) {
    if (!RunOne(lock))
      wake_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
  }
  return exitCode_;
}

void EventLoop::Quit(int code) {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    exitCode_ = code;
  }
  wake_.notify_all();
}

} // namespace qev::frame
