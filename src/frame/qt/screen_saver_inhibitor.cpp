#include "frame/qt/screen_saver_inhibitor.h"

#include "frame/log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace qev::frame {

namespace {
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kReason = QStringLiteral("Playing television");

QDBusMessage ScreenSaverCall(const QString &method, const QVariantList &arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, method);
  message.setArguments(arguments);
  return message;
}
} // namespace

TScreenSaverInhibitor::TScreenSaverInhibitor(QString appName, QDBusConnection bus)
    : appName_(std::move(appName)), bus_(std::move(bus)) {}

TScreenSaverInhibitor::~TScreenSaverInhibitor() {
  if (cookie_)
    Send(QStringLiteral("UnInhibit"), {*cookie_});
  if (!pending_)
    return;
  // The answer still to come carries a cookie that must go back; waiting for it here could
  // hold up the close, so the call returns it on its own when the answer arrives.
  pending_->disconnect(this);
  pending_->setParent(nullptr);
  QDBusPendingCallWatcher *call = pending_;
  QObject::connect(call, &QDBusPendingCallWatcher::finished, call, [bus = bus_, call] {
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isValid())
      bus.asyncCall(ScreenSaverCall(QStringLiteral("UnInhibit"), {reply.value()}),
                    kCallTimeout.count());
    call->deleteLater();
  });
}

void TScreenSaverInhibitor::SetInhibited(bool inhibited) {
  if (inhibited == wanted_)
    return;
  wanted_ = inhibited;
  failed_ = false;
  Reconcile();
}

void TScreenSaverInhibitor::Reconcile() {
  if (pending_ || failed_)
    return;
  if (wanted_ && !cookie_) {
    if (!bus_.isConnected()) {
      failed_ = true;
      ReportOnce(QStringLiteral("no session bus"));
      return;
    }
    pending_ = new QDBusPendingCallWatcher(
        bus_.asyncCall(ScreenSaverCall(QStringLiteral("Inhibit"), {appName_, kReason}),
                       kCallTimeout.count()),
        this);
    connect(pending_, &QDBusPendingCallWatcher::finished, this,
            &TScreenSaverInhibitor::InhibitAnswered);
  } else if (!wanted_ && cookie_) {
    Send(QStringLiteral("UnInhibit"), {*cookie_});
    cookie_.reset();
  }
}

void TScreenSaverInhibitor::InhibitAnswered(QDBusPendingCallWatcher *call) {
  pending_ = nullptr;
  call->deleteLater();
  const QDBusPendingReply<uint> reply = *call;
  if (reply.isError()) {
    failed_ = true;
    ReportOnce(reply.error().message());
    return;
  }
  cookie_ = reply.value();
  Reconcile(); // the wish may have changed meanwhile
}

void TScreenSaverInhibitor::Send(const QString &method, const QVariantList &arguments) const {
  bus_.asyncCall(ScreenSaverCall(method, arguments), kCallTimeout.count());
}

void TScreenSaverInhibitor::ReportOnce(const QString &why) {
  if (reported_)
    return;
  reported_ = true;
  Log(("The screen saver cannot be held off: " + why).toStdString());
}

} // namespace qev::frame
