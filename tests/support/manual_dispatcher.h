#pragma once

#include "frame/ui_dispatcher.h"

#include <deque>
#include <mutex>

namespace qev::test {

// A user-interface thread for tests of threads that post to it: posted tasks wait until the
// test runs them on its own thread.
class ManualDispatcher final : public frame::UiDispatcher {
public:
  void Post(Task task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void Send(Task task) override { task(); }
  bool IsUiThread() const override { return true; }
  void ProcessPending() override {
    for (;;) {
      Task task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty())
          return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  std::size_t Pending() {
    std::lock_guard lock(mutex_);
    return tasks_.size();
  }

private:
  std::mutex mutex_;
  std::deque<Task> tasks_;
};

} // namespace qev::test
