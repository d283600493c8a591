#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace qev::frame {

class TLogindSleepMonitor;

// The machine's stand-by, hibernation and power-off through logind. The requests are sent
// without waiting: logind answers only after asking the inhibitors, among them the program's
// own delay inhibitor, which the user-interface thread must stay free to release.
class TLogindPower final : public QObject {
  Q_OBJECT
public:
  // ok: logind took the request.
  using Done = std::function<void(bool ok)>;

  explicit TLogindPower(QDBusConnection bus = QDBusConnection::systemBus());

  // The monitor whose block inhibitor keeps the system from sleeping while the user wants
  // that; the program's own stand-by and hibernation are let past it.
  void SetSleepMonitor(TLogindSleepMonitor *monitor) { monitor_ = monitor; }

  // logind's "yes" or "challenge" (the user may be asked); anything else, or no answer, is no.
  bool CanSuspend();
  bool CanHibernate();
  // Asked only when logind says the machine can; done(false) when it cannot.
  void Suspend(Done done = {});
  void Hibernate(Done done = {});
  void PowerOff(Done done = {});

private:
  bool Can(const char *method);
  void Request(const char *method, Done done);
  void Sleep(const char *can, const char *method, Done done);

  QDBusConnection bus_;
  TLogindSleepMonitor *monitor_ = nullptr;
};

} // namespace qev::frame
