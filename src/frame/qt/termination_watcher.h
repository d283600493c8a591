#pragma once

#include "frame/termination_signals.h"

#include <QObject>
#include <QSocketNotifier>

#include <functional>

namespace qev::frame {

// Hands a termination signal to the GUI thread's event loop.
class TTerminationWatcher final : public QObject {
  Q_OBJECT
public:
  TTerminationWatcher(TTerminationSignals& source, std::function<void(int signal)> onSignal);

private:
  TTerminationSignals& signals_;
  std::function<void(int)> onSignal_;
  QSocketNotifier notifier_;
};

} // namespace qev::frame
