#pragma once

#include "device/engine_fakes.h"
#include "device/tuning_engine.h"
#include "frame/options.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace qev::device::test {

// 2026-01-31 23:59:50 UTC
constexpr std::time_t kJan31 = 1769903990;

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    savedOptions_ = frame::Options();
    root.AddSat(1, 192, "Astra", 1);
    root.AddSat(2, 130, "Hotbird", 2);
    alpha = root.AddChannel(1, Channel(11778000, 'V', 27500, 101, "Alpha"));
    alpha2 = root.AddChannel(1, Channel(11778000, 'V', 27500, 102, "Alpha Two"));
    data::TChannelRec ac3 = Channel(11778000, 'V', 27500, 103, "Alpha AC3");
    ac3.Ac3Pid = ac3.AudPid;
    alphaAc3 = root.AddChannel(1, ac3);
    charlie = root.AddChannel(1, Channel(12188000, 'H', 22000, 201, "Charlie"));
    delta = root.AddChannel(2, Channel(11778000, 'V', 27500, 301, "Delta"));
    RecordAllHooks(engine.Hooks(), journal);
  }
  void TearDown() override { frame::Options() = savedOptions_; }

  // Slot 0 on alpha, journal emptied.
  void StartOnAlpha() {
    ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
    journal.Clear();
  }
  void AdvanceSeconds(int seconds) { now += std::chrono::seconds(seconds); }

  EventJournal journal;
  EngineRoot root;
  RecordingTuner tuner{journal};
  RecordingAvDevice device{journal};
  TLoadedSat loaded;
  TLastChannels last;
  frame::TNotificationHub hub;
  TClock::time_point now = TClock::from_time_t(kJan31);
  TTuningEngine engine{
      {root.lists, root.sats, device, tuner, loaded, last, hub, [this] { return now; }}};
  HubRecorder hubRecorder{hub, journal};
  LogRecorder logRecorder{journal};
  std::int32_t alpha = 0, alpha2 = 0, alphaAc3 = 0, charlie = 0, delta = 0;

private:
  frame::TOptions savedOptions_;
};

} // namespace qev::device::test
