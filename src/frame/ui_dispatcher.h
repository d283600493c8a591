#pragma once

#include <functional>

namespace qev::frame {

// The way core code reaches the user-interface thread. The GUI implements it over Qt's event
// loop; tests and the command-line tool use EventLoop.
class UiDispatcher {
public:
  using Task = std::function<void()>;

  virtual ~UiDispatcher() = default;

  // Queues the task for the user-interface thread and returns at once.
  virtual void Post(Task task) = 0;
  // Runs the task on the user-interface thread and returns when it has run. Called on that
  // thread, it runs the task directly. The caller must not hold anything that the
  // user-interface thread waits for.
  virtual void Send(Task task) = 0;
  virtual bool IsUiThread() const = 0;
  // Runs what is pending on the user-interface queue once; only on that thread.
  virtual void ProcessPending() = 0;
};

// The process-wide dispatcher; null until the program or a test installs one.
UiDispatcher* CurrentDispatcher();
void SetCurrentDispatcher(UiDispatcher* dispatcher);

// Runs the task on the user-interface thread: directly when already there (or when no
// dispatcher exists yet, which means there is only one thread that matters), else queued.
void RunOnUiThread(UiDispatcher::Task task);

} // namespace qev::frame
