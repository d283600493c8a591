#pragma once

#include "frame/ui_dispatcher.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace qev::frame {

// A plain task queue that stands in for the GUI's event loop in tests and in the command-line
// tool. The thread that creates it is its user-interface thread.
class EventLoop final : public UiDispatcher {
public:
  EventLoop();

  void Post(Task task) override;
  void Send(Task task) override;
  bool IsUiThread() const override;
  void ProcessPending() override;

  // Runs tasks until Quit is called; returns the code given to Quit.
  int Run();
  void Quit(int code = 0);

private:
  bool RunOne(std::unique_lock<std::mutex>& lock);

  const std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  bool quit_ = false;
  int exitCode_ = 0;
};

} // namespace qev::frame
