#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QDBusPendingCallWatcher;

namespace qev::frame {

// Keeps the desktop's screen saver and display power-off away while asked to, through the
// session's org.freedesktop.ScreenSaver service (Inhibit gives a cookie, UnInhibit returns it).
// The calls do not wait for their answers, so a slow service never holds up the windows.
// Without a session bus or without the service nothing happens beyond one log line; the
// inhibition is tried again when it is next asked for. Destroying the inhibitor gives the
// inhibition back. Use on one thread (the user-interface thread).
class TScreenSaverInhibitor final : public QObject {
  Q_OBJECT
public:
  static constexpr std::chrono::milliseconds kCallTimeout{3000};

  explicit TScreenSaverInhibitor(QString appName,
                                 QDBusConnection bus = QDBusConnection::sessionBus());
  ~TScreenSaverInhibitor() override;

  // Asking again for what is already asked for does nothing.
  void SetInhibited(bool inhibited);
  bool Inhibited() const { return wanted_; }
  // Whether the service holds an inhibition of ours (its cookie has come back).
  bool Holding() const { return cookie_.has_value(); }

private:
  void Reconcile();
  void InhibitAnswered(QDBusPendingCallWatcher *call);
  void Send(const QString &method, const QVariantList &arguments) const;
  void ReportOnce(const QString &why);

  const QString appName_;
  QDBusConnection bus_;
  bool wanted_ = false;
  // The last attempt failed; the next request tries again.
  bool failed_ = false;
  bool reported_ = false;
  std::optional<uint> cookie_;
  QDBusPendingCallWatcher *pending_ = nullptr;
};

} // namespace qev::frame
