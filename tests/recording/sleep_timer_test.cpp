#include "recording/sleep_timer.h"

#include "frame/process_flags.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::recording;
using namespace std::chrono;
using ::testing::ElementsAre;

namespace {

class SleepTimer : public ::testing::Test {
protected:
  void SetUp() override { qev::frame::Flags().ForceExit = false; }
  void TearDown() override { qev::frame::Flags().ForceExit = false; }
  void Advance(milliseconds step) { now += step; }

  system_clock::time_point now = system_clock::from_time_t(1'800'000'000);
  TSleepTimer timer{[this] { return now; }};
};

TEST_F(SleepTimer, OffShowsTheCaptionAndNeverFires) {
  const auto check = timer.CheckSleepTimer();
  EXPECT_EQ(check.display, TSleepDisplay{});
  EXPECT_EQ(check.display.text, "Timer");
  EXPECT_EQ(check.fired, kSleepNone);
}

TEST_F(SleepTimer, CountsDownBlinksInTheLastTenSecondsAndFiresOnce) {
  timer.SetSleepTimer(12, kSleepExit);
  auto check = timer.CheckSleepTimer();
  EXPECT_EQ(check.display.text, "00:00:12");
  EXPECT_FALSE(check.display.red);
  EXPECT_TRUE(check.display.glyphShown);
  std::vector<bool> glyph;
  for (int tick = 0; tick < 6; ++tick) {
    Advance(milliseconds(500));
    glyph.push_back(timer.CheckSleepTimer().display.glyphShown);
  }
  // 11.5 s, 11 s, 10.5 s still steady; from 10 s on the glyph toggles on every check.
  EXPECT_THAT(glyph, ElementsAre(true, true, true, false, true, false));
  Advance(seconds(8) + milliseconds(600));
  check = timer.CheckSleepTimer();
  EXPECT_EQ(check.fired, kSleepExit);
  EXPECT_EQ(check.display, TSleepDisplay{});
  EXPECT_FALSE(timer.Armed());
  EXPECT_EQ(timer.CheckSleepTimer().fired, kSleepNone);
}

TEST_F(SleepTimer, RecordShowsRedAndLongSpansKeepTheirHours) {
  timer.SetSleepTimer(30 * 3600 + 61, kSleepRecord);
  const auto check = timer.CheckSleepTimer();
  EXPECT_EQ(check.display.text, "30:01:01");
  EXPECT_TRUE(check.display.red);
}

TEST_F(SleepTimer, ATriggerMissedWhileNobodyCheckedStillFires) {
  timer.SetSleepTimer(60, kSleepSuspend);
  Advance(hours(3)); // the machine slept, or the program was busy
  EXPECT_EQ(timer.CheckSleepTimer().fired, kSleepSuspend);
}

TEST_F(SleepTimer, ArmedByCodeTellsTheDialogOnceAndHugeSpansAreClamped) {
  EXPECT_FALSE(timer.TakeChangedFromOutside());
  // 30 minutes of a command line's duration: 1802 seconds ahead.
  timer.SetSleepTimer(std::int64_t(30) * 60 + 2, kSleepShutdown);
  EXPECT_EQ(timer.Trigger() - now, seconds(1802));
  EXPECT_EQ(timer.Action(), kSleepShutdown);
  EXPECT_TRUE(timer.TakeChangedFromOutside());
  EXPECT_FALSE(timer.TakeChangedFromOutside());
  // The largest duration a command line can give stays in the future instead of wrapping.
  timer.SetSleepTimer(std::int64_t(INT32_MAX) * 60 + 2, kSleepExit);
  EXPECT_EQ(timer.Trigger() - now, TSleepTimer::kMaxAhead);
  EXPECT_EQ(timer.CheckSleepTimer().fired, kSleepNone);
  EXPECT_TRUE(timer.TakeChangedFromOutside());
  timer.SetTrigger(now + seconds(5), kSleepHibernate);
  EXPECT_FALSE(timer.TakeChangedFromOutside());
  timer.ClearSleepTimer();
  EXPECT_FALSE(timer.Armed());
  EXPECT_EQ(timer.Action(), kSleepNone);
}

TEST_F(SleepTimer, TheTriggerIsAnInstantThatALocalClockChangeDoesNotMove) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  // 30 minutes before the end of summer time: the local clock goes back an hour meanwhile.
  now = system_clock::from_time_t(1'792'976'400) - minutes(30); // 2026-10-25 01:00 UTC
  timer.SetSleepTimer(3600, kSleepExit);
  Advance(minutes(59) + seconds(58));
  EXPECT_EQ(timer.CheckSleepTimer().display.text, "00:00:02");
  Advance(seconds(2));
  EXPECT_EQ(timer.CheckSleepTimer().fired, kSleepExit);
  unsetenv("TZ");
  tzset();
}

TEST_F(SleepTimer, OnlyExitAndShutdownSkipTheRecordingsQuestion) {
  std::vector<std::string> ran;
  TSleepHandlers handlers{[&] { ran.push_back("close"); }, [&] { ran.push_back("suspend"); },
                          [&] { ran.push_back("hibernate"); }, [&] { ran.push_back("off"); },
                          [&](int minutes) { ran.push_back("rec " + std::to_string(minutes)); }};
  for (int action : {kSleepSuspend, kSleepHibernate, kSleepRecord}) {
    FireSleepAction(action, 45, handlers);
    EXPECT_FALSE(qev::frame::Flags().ForceExit) << action;
  }
  FireSleepAction(kSleepExit, 0, handlers);
  EXPECT_TRUE(qev::frame::Flags().ForceExit.exchange(false));
  FireSleepAction(kSleepShutdown, 0, handlers);
  EXPECT_TRUE(qev::frame::Flags().ForceExit);
  FireSleepAction(kSleepNone, 0, handlers);
  EXPECT_THAT(ran, ElementsAre("suspend", "hibernate", "rec 45", "close", "off"));
}

TEST_F(SleepTimer, TheDialogArmsOnlyAFutureTriggerWithAnAction) {
  timer.SetSleepTimer(600, kSleepHibernate);
  EXPECT_EQ(ArmFromDialog(timer, now, "01-02-2027 03:04:05", 0),
            "Cannot set timer: (TriggerTime < Now)\r01-02-2027 03:04:05");
  EXPECT_EQ(ArmFromDialog(timer, now + seconds(90), "x", -1), "Action not defined..");
  EXPECT_EQ(timer.Trigger(), now + seconds(600)); // as it was
  EXPECT_EQ(timer.Action(), kSleepHibernate);
  EXPECT_EQ(SleepStatus(timer), (TSleepStatus{"00:10:00 H", true}));
  EXPECT_EQ(ArmFromDialog(timer, now + seconds(90), "x", 4), "");
  EXPECT_EQ(timer.Action(), kSleepRecord);
  EXPECT_EQ(SleepStatus(timer), (TSleepStatus{"00:01:30 R", true}));
  Advance(seconds(90));
  EXPECT_EQ(SleepStatus(timer), TSleepStatus{}); // due: no longer shown as armed
  timer.ClearSleepTimer();
  EXPECT_EQ(SleepStatus(timer).text, "--:--:--");
}

TEST(SleepTimerTexts, LettersAndRemainingTime) {
  std::string letters;
  for (int action = -1; action <= 6; ++action)
    letters += SleepActionLetter(action);
  EXPECT_EQ(letters, "--ESHDR-");
  EXPECT_EQ(SleepRemainingText(seconds(3599)), "00:59:59");
  EXPECT_EQ(SleepRemainingText(seconds(-5)), "00:00:00");
}

} // namespace
