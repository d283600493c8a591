#include "recording/qt/sleep_timer_widgets.h"

#include "frame/process_flags.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::recording;
using namespace std::chrono;

namespace {

class SleepTimerWindows : public ::testing::Test {
protected:
  void TearDown() override { qev::frame::Flags().ForceExit = false; }
  system_clock::time_point now =
      time_point_cast<system_clock::duration>(system_clock::from_time_t(1'800'000'000));
  TSleepTimer timer{[this] { return now; }};
  qev::test::ScriptedPresenter presenter;
};

TEST_F(SleepTimerWindows, TheDialogArmsWarnsAndFollowsChangesFromOutside) {
  TFormSleepTimerSet dialog(timer);
  EXPECT_EQ(dialog.LabelTO->text(), "--:--:--");
  EXPECT_FALSE(dialog.BtnClearTimer->isEnabled());
  EXPECT_EQ(dialog.RgAction->checkedId(), 0);
  EXPECT_FALSE(dialog.EditTimerRecStop->isVisibleTo(&dialog));

  // A trigger in the past warns and arms nothing.
  dialog.SetTimerClicked();
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_THAT(presenter.shown[0].text,
              ::testing::StartsWith("Cannot set timer: (TriggerTime < Now)\r01-01-2000 00:00:00"));
  EXPECT_FALSE(timer.Armed());

  // Minutes from now fill date and time; the fields name that instant again.
  dialog.EditDiffMinutes->setValue(45);
  EXPECT_EQ(dialog.FieldsTrigger(), now + minutes(45));
  dialog.RgAction->button(1)->click();
  dialog.SetTimerClicked();
  EXPECT_EQ(timer.Trigger(), now + minutes(45));
  EXPECT_EQ(timer.Action(), kSleepSuspend);
  EXPECT_EQ(dialog.LabelTO->text(), "00:45:00 S");
  EXPECT_TRUE(dialog.BtnClearTimer->isEnabled());

  // Choosing 'Record !' while armed changes the action at once and offers the stop minutes.
  dialog.RgAction->button(4)->click();
  EXPECT_EQ(timer.Action(), kSleepRecord);
  EXPECT_TRUE(dialog.EditTimerRecStop->isVisibleTo(&dialog));
  dialog.EditTimerRecStop->setValue(25);
  EXPECT_EQ(timer.RecordMinutes(), 25);

  // Armed by a command line meanwhile: the dialog reads it again.
  timer.SetSleepTimer(1802, kSleepShutdown);
  dialog.RefreshStatus();
  EXPECT_EQ(dialog.RgAction->checkedId(), 3);
  EXPECT_EQ(dialog.LabelTO->text(), "00:30:02 D");
  qev::test::SaveScreenshot(dialog, "sleep_timer_dialog");

  dialog.BtnClearTimer->click();
  EXPECT_FALSE(timer.Armed());
  EXPECT_EQ(dialog.LabelTO->text(), "--:--:--");

  // Ctrl with +15 arms fifteen seconds ahead at once.
  dialog.Plus15Clicked(true);
  EXPECT_EQ(timer.Trigger(), now + seconds(15));
  EXPECT_EQ(timer.Action(), kSleepShutdown);
}

TEST_F(SleepTimerWindows, TheButtonCountsDownAndRunsTheActionOnce) {
  int closes = 0;
  TSleepHandlers handlers;
  handlers.CloseProgram = [&] { ++closes; };
  TSleepTimerButton button(timer, handlers);
  EXPECT_EQ(button.text(), "Timer");
  timer.SetSleepTimer(60, kSleepExit);
  button.Check();
  EXPECT_EQ(button.text(), "00:01:00");
  EXPECT_THAT(button.styleSheet().toStdString(), ::testing::HasSubstr("blue"));
  qev::test::SaveScreenshot(button, "sleep_timer_button");
  now += seconds(55);
  button.Check();
  button.Check();
  const bool glyph = button.GlyphShown();
  button.Check();
  EXPECT_NE(button.GlyphShown(), glyph); // blinking in the last ten seconds
  now += seconds(5);
  button.Check();
  button.Check();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(qev::frame::Flags().ForceExit);
  EXPECT_EQ(button.text(), "Timer");
  EXPECT_TRUE(button.GlyphShown());
}

} // namespace
