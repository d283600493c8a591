#include "frame/qt/placement_qt.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <vector>

namespace qev::frame {

void RestorePlacement(QWidget& window, const TWindowPlacement& placement) {
  std::vector<ScreenRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.left(), r.top(), r.width(), r.height()});
  }
  const TWindowPlacement p = ClampToScreens(placement, screens);
  window.setGeometry(p.Left, p.Top, p.Width, p.Height);
  if (p.State == kWindowMaximized)
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

TWindowPlacement CurrentPlacement(const QWidget& window) {
  // The normal geometry, so that a maximised window comes back to its old size when restored.
  const QRect r = window.isMaximized() ? window.normalGeometry() : window.geometry();
  return {r.left(), r.top(), r.width(), r.height(),
          window.isMaximized()   ? kWindowMaximized
          : window.isMinimized() ? kWindowMinimized
                                 : kWindowNormal};
}

} // namespace qev::frame
