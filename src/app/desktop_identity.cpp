#include "app/desktop_identity.h"

#include <QGuiApplication>

namespace qev::app {

namespace {
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
} // namespace

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : kIconSizes)
    icon.addFile(QStringLiteral(":/icons/%1x%1/apps/qevdvb.png").arg(size), QSize(size, size));
  return icon;
}

void SetDesktopIdentity() {
  // No display name of its own: the application name already gives "QEV-DVB", and a display
  // name set explicitly makes Qt append " — QEV-DVB" to every window title.
  QGuiApplication::setDesktopFileName(kDesktopFileName);
  QGuiApplication::setWindowIcon(ApplicationIcon());
}

} // namespace qev::app
