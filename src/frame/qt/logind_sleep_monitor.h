#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <functional>

namespace qev::frame {

// Follows the system's suspend through logind: a delay inhibitor gives the program the time to
// give up the tuner before the machine sleeps, and a block inhibitor refuses the suspend while
// the user wants that. Without a system bus it does nothing.
class TLogindSleepMonitor final : public QObject {
  Q_OBJECT
public:
  struct Handlers {
    std::function<bool()> suspendAllowed;
    std::function<void()> suspend;
    std::function<void()> resume;
  };

  explicit TLogindSleepMonitor(Handlers handlers);

  bool Active() const { return active_; }
  // Takes or drops the block inhibitor after the refusal's conditions changed.
  void RefreshRefusal();

private slots:
  void PrepareForSleep(bool start);

private:
  QDBusUnixFileDescriptor Inhibit(const char* mode);

  Handlers handlers_;
  bool active_ = false;
  QDBusUnixFileDescriptor delayLock_;
  QDBusUnixFileDescriptor blockLock_;
};

} // namespace qev::frame
