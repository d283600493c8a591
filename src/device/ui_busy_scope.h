#pragma once

#include "frame/busy_tracker.h"
#include "frame/ui_dispatcher.h"

#include <optional>

namespace qev::device {

// Marks a call into the module, or a switch, as a long operation while it runs on the
// user-interface thread: such operations pump messages, and a close, suspend or unload asked
// for inside that pump must wait until they have returned. Calls on other threads are not
// counted (the tracker belongs to the user-interface thread).
class TUiBusyScope {
public:
  TUiBusyScope() {
    const frame::UiDispatcher *dispatcher = frame::CurrentDispatcher();
    if (dispatcher != nullptr && dispatcher->IsUiThread())
      scope_.emplace(frame::Operations());
  }

private:
  std::optional<frame::TBusyTracker::Scope> scope_;
};

} // namespace qev::device
