// Test main for widget tests: a QApplication on the offscreen platform unless told otherwise,
// with the Qt dispatcher as the program has it.
#include "frame/qt/qt_dispatcher.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The program's scheduled jobs, and those of a receiver these tests start, never reach the
  // user's own systemd folder.
  setenv("XDG_CONFIG_HOME", QEV_TEST_CONFIG_HOME, 1);
  QApplication app(argc, argv);
  qev::frame::TQtDispatcher dispatcher;
  qev::frame::SetCurrentDispatcher(&dispatcher);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  qev::frame::SetCurrentDispatcher(nullptr);
  return result;
}
