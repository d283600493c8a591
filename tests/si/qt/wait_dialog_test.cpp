// The wait shown while a table is read: table name and seconds left, and no way to close it.
#include "si/qt/wait_dialog.h"

#include "support/screenshot.h"

#include <QTest>
#include <gtest/gtest.h>

namespace qev::si {
namespace {

TEST(WaitDialog, ShowsTheTableAndTwoDigitSecondsAndCannotBeClosed) {
  TWaitDialog dialog;
  EXPECT_FALSE(dialog.isVisible());
  dialog.Callback()("PMT", 9);
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_EQ(dialog.TableText(), "PMT");
  EXPECT_EQ(dialog.SecondsText(), "09");
  dialog.ShowWait("SDT", 10);
  EXPECT_EQ(dialog.SecondsText(), "10");
  qev::test::SaveScreenshot(dialog, "wait_dialog");

  dialog.close();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

} // namespace
} // namespace qev::si
