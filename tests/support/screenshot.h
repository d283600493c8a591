#pragma once

#include <QDir>
#include <QWidget>

namespace qev::test {

// Saves what the widget shows as a PNG in the build tree, for a person to look at.
inline QString SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(QEV_SCREENSHOT_DIR);
  const QString file = QString(QEV_SCREENSHOT_DIR) + "/" + name + ".png";
  widget.grab().save(file);
  return file;
}

} // namespace qev::test
