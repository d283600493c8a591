#include "frame/qt/termination_watcher.h"

namespace qev::frame {

TTerminationWatcher::TTerminationWatcher(TTerminationSignals& source,
                                         std::function<void(int)> onSignal)
    : signals_(source), onSignal_(std::move(onSignal)),
      notifier_(source.Descriptor(), QSocketNotifier::Read) {
  notifier_.setEnabled(source.Descriptor() >= 0);
  connect(&notifier_, &QSocketNotifier::activated, this, [this] {
    if (const int signal = signals_.TakePending(); signal != 0)
      onSignal_(signal);
  });
}

} // namespace qev::frame
