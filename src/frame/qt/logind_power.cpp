#include "frame/qt/logind_power.h"

#include "frame/qt/logind_sleep_monitor.h"

#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>

namespace qev::frame {

namespace {
constexpr const char *kService = "org.freedesktop.login1";
constexpr const char *kPath = "/org/freedesktop/login1";
constexpr const char *kManager = "org.freedesktop.login1.Manager";
} // namespace

TLogindPower::TLogindPower(QDBusConnection bus) : bus_(std::move(bus)) {}

bool TLogindPower::CanSuspend() { return Can("CanSuspend"); }
bool TLogindPower::CanHibernate() { return Can("CanHibernate"); }
void TLogindPower::Suspend(Done done) { Sleep("CanSuspend", "Suspend", std::move(done)); }
void TLogindPower::Hibernate(Done done) { Sleep("CanHibernate", "Hibernate", std::move(done)); }
void TLogindPower::PowerOff(Done done) { Request("PowerOff", std::move(done)); }

bool TLogindPower::Can(const char *method) {
  if (!bus_.isConnected())
    return false;
  QDBusInterface manager(kService, kPath, kManager, bus_);
  const QDBusReply<QString> reply = manager.call(method);
  return reply.isValid() && (reply.value() == "yes" || reply.value() == "challenge");
}

void TLogindPower::Sleep(const char *can, const char *method, Done done) {
  if (!Can(can)) {
    if (done)
      done(false);
    return;
  }
  if (monitor_)
    monitor_->PermitOwnSleep(true);
  Request(method, [this, done = std::move(done)](bool ok) {
    // Refused: nothing will wake us, so the user's refusal holds again now.
    if (!ok && monitor_)
      monitor_->PermitOwnSleep(false);
    if (done)
      done(ok);
  });
}

void TLogindPower::Request(const char *method, Done done) {
  if (!bus_.isConnected()) {
    if (done)
      done(false);
    return;
  }
  QDBusInterface manager(kService, kPath, kManager, bus_);
  // Not interactive: nobody may be at the machine when a timer fires.
  auto *watcher = new QDBusPendingCallWatcher(manager.asyncCall(method, false), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [done = std::move(done)](QDBusPendingCallWatcher *call) {
            const bool ok = !call->isError();
            call->deleteLater();
            if (done)
              done(ok);
          });
}

} // namespace qev::frame
