#include "frame/busy_tracker.h"

#include "frame/ui_dispatcher.h"

#include <utility>

namespace qev::frame {

void TBusyTracker::WhenIdle(std::function<void()> action) {
  if (Busy())
    deferred_.push_back(std::move(action));
  else
    action();
}

void TBusyTracker::Leave() {
  if (--running_ > 0 || deferred_.empty())
    return;
  // Posted rather than run here: the operation is still unwinding its own frames.
  UiDispatcher* dispatcher = CurrentDispatcher();
  for (auto& action : std::exchange(deferred_, {})) {
    if (dispatcher != nullptr)
      dispatcher->Post(std::move(action));
    else
      action();
  }
}

TBusyTracker& Operations() {
  static TBusyTracker tracker;
  return tracker;
}

} // namespace qev::frame
