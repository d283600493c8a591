#pragma once

#include <functional>
#include <vector>

namespace qev::frame {

// Counts the long operations running on the user-interface thread. Such operations pump
// messages, so a request that must not run in their middle (closing the program) is deferred
// until the last of them has returned.
class TBusyTracker {
public:
  // Marks an operation as running for its lifetime.
  class Scope {
  public:
    explicit Scope(TBusyTracker& tracker) : tracker_(tracker) { ++tracker_.running_; }
    ~Scope() { tracker_.Leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    TBusyTracker& tracker_;
  };

  bool Busy() const { return running_ > 0; }
  // Runs the action now when no operation runs; else posts it to the user-interface thread once
  // the last operation has returned.
  void WhenIdle(std::function<void()> action);

private:
  void Leave();

  int running_ = 0;
  std::vector<std::function<void()>> deferred_;
};

// The program's tracker, used on the user-interface thread only.
TBusyTracker& Operations();

} // namespace qev::frame
