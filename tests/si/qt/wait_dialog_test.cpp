// The wait shown while a table is read: table name and seconds left, and no way to close it.
#include "si/qt/wait_dialog.h"

#include "frame/message_pump.h"
#include "si/psi_test_sections.h"
#include "support/screenshot.h"

#include <QTest>
#include <gtest/gtest.h>

namespace qev::si {
namespace {

using namespace std::chrono_literals;

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

TEST(WaitDialog, FollowsACollectionWhileTheEventLoopRuns) {
  test::FakeFilterSource source;
  source.Script(0x11, {test::MakeSection(0x42, 1, 0, 0, 1)}); // never complete
  TWaitDialog dialog;
  int pumped = 0;
  const PsiResult result =
      CollectWithWait(source, {"SDT", 0x11, {0x42, 0, 0}, 300ms, 1, {}}, dialog.Callback(), [&] {
        frame::PumpMessages();
        ++pumped;
      });
  EXPECT_EQ(result, PsiResult::TimeOut);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.TableText(), "SDT");
  EXPECT_EQ(dialog.SecondsText(), "00");
  EXPECT_GT(pumped, 0);
}

} // namespace
} // namespace qev::si
