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

TLogindSleepMonitor::TLogindSleepMonitor(Handlers handlers) : handlers_(std::move(handlers)) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected())
    return;
  active_ = bus.connect(kService, kPath, kManager, "PrepareForSleep", this,
                        SLOT(PrepareForSleep(bool)));
  if (!active_)
    return;
  delayLock_ = Inhibit("delay");
  RefreshRefusal();
}

QDBusUnixFileDescriptor TLogindSleepMonitor::Inhibit(const char* mode) {
  QDBusInterface manager(kService, kPath, kManager, QDBusConnection::systemBus());
  QDBusReply<QDBusUnixFileDescriptor> reply = manager.call(
      "Inhibit", "sleep", "QEV-DVB", "Releasing the tuner before the system sleeps", mode);
  return reply.isValid() ? reply.value() : QDBusUnixFileDescriptor();
}

void TLogindSleepMonitor::RefreshRefusal() {
  if (!active_)
    return;
  const bool refuse = handlers_.suspendAllowed && !handlers_.suspendAllowed();
  if (refuse && !blockLock_.isValid())
    blockLock_ = Inhibit("block");
  else if (!refuse)
    blockLock_ = QDBusUnixFileDescriptor();
}

void TLogindSleepMonitor::PrepareForSleep(bool start) {
  if (start) {
    if (handlers_.suspend)
      handlers_.suspend();
    // Dropping the delay inhibitor lets the suspend go ahead.
    delayLock_ = QDBusUnixFileDescriptor();
  } else {
    delayLock_ = Inhibit("delay");
    if (handlers_.resume)
      handlers_.resume();
  }
}

} // namespace qev::frame
