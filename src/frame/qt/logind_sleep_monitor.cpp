#include "frame/qt/logind_sleep_monitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace qev::frame {

namespace {
constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
} // namespace

TLogindSleepMonitor::TLogindSleepMonitor(Handlers handlers,
                                         std::chrono::milliseconds refreshInterval,
                                         QDBusConnection bus)
    : handlers_(std::move(handlers)), bus_(std::move(bus)) {
  connect(&refreshTimer_, &QTimer::timeout, this, &TLogindSleepMonitor::RefreshRefusal);
  refreshTimer_.start(refreshInterval);
  if (bus_.isConnected())
    active_ = bus_.connect(kService, kPath, kManager, "PrepareForSleep", this,
                           SLOT(PrepareForSleep(bool)));
  if (active_)
    delayLock_ = Inhibit("delay");
  RefreshRefusal();
}

QDBusUnixFileDescriptor TLogindSleepMonitor::Inhibit(const char* mode) {
  QDBusInterface manager(kService, kPath, kManager, bus_);
  QDBusReply<QDBusUnixFileDescriptor> reply = manager.call(
      "Inhibit", "sleep", "QEV-DVB", "Releasing the tuner before the system sleeps", mode);
  return reply.isValid() ? reply.value() : QDBusUnixFileDescriptor();
}

void TLogindSleepMonitor::RefreshRefusal() {
  refusing_ = !ownSleep_ && handlers_.suspendAllowed && !handlers_.suspendAllowed();
  if (!active_)
    return;
  if (refusing_ && !blockLock_.isValid())
    blockLock_ = Inhibit("block");
  else if (!refusing_)
    blockLock_ = QDBusUnixFileDescriptor();
}

void TLogindSleepMonitor::PermitOwnSleep(bool permit) {
  ownSleep_ = permit;
  RefreshRefusal();
}

void TLogindSleepMonitor::PrepareForSleep(bool start) {
  if (start) {
    if (handlers_.suspend)
      handlers_.suspend();
    // Dropping the delay inhibitor lets the suspend go ahead.
    delayLock_ = QDBusUnixFileDescriptor();
  } else {
    // Awake again: what the user wants of the system's sleep holds as before.
    PermitOwnSleep(false);
    delayLock_ = Inhibit("delay");
    if (handlers_.resume)
      handlers_.resume();
  }
}

} // namespace qev::frame
