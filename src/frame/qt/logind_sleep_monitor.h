#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace qev::frame {

// Follows the system's suspend through logind: a delay inhibitor gives the program the time to
// give up the tuner before the machine sleeps, and a block inhibitor refuses the suspend while
// the user wants that. Without a system bus it takes no inhibitor.
//
// Whether a suspend is refused depends on values that change while the program runs (an
// option, a forced exit) and that tell nobody when they do, so the decision is read again every
// refresh interval.
class TLogindSleepMonitor final : public QObject {
  Q_OBJECT
public:
  struct Handlers {
    std::function<bool()> suspendAllowed;
    std::function<void()> suspend;
    std::function<void()> resume;
  };

  static constexpr std::chrono::milliseconds kRefreshInterval{1000};

  explicit TLogindSleepMonitor(Handlers handlers,
                               std::chrono::milliseconds refreshInterval = kRefreshInterval,
                               QDBusConnection bus = QDBusConnection::systemBus());

  bool Active() const { return active_; }
  // Whether a suspend is being refused (with a bus, the block inhibitor is held).
  bool Refusing() const { return refusing_; }
  // Takes or drops the block inhibitor after the refusal's conditions changed.
  void RefreshRefusal();
  // The program itself puts the machine to sleep: the refusal is lifted until the machine has
  // woken up again (or until the request is withdrawn because it failed).
  void PermitOwnSleep(bool permit);
  bool OwnSleepPermitted() const { return ownSleep_; }

private slots:
  void PrepareForSleep(bool start);

private:
  QDBusUnixFileDescriptor Inhibit(const char* mode);

  Handlers handlers_;
  QDBusConnection bus_;
  bool active_ = false;
  bool ownSleep_ = false;
  bool refusing_ = false;
  QTimer refreshTimer_;
  QDBusUnixFileDescriptor delayLock_;
  QDBusUnixFileDescriptor blockLock_;
};

} // namespace qev::frame
