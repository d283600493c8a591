// The tuner against a fake device and clock: the request it builds, the first tune, the lock
// wait, refusals and the status monitor's mode around a tune.
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/tuner.h"
#include "device/tuner_status_thread.h"
#include "frame/event_loop.h"
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "tuner_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

using namespace qev::device;
using namespace qev::device::test;
using qev::data::TSatRec;
using ::testing::ElementsAre;

namespace {

int statusNotifications = 0;
void CountStatus(void *, std::intptr_t, std::intptr_t) { ++statusNotifications; }

TSatRec Universal() {
  TSatRec sat{};
  sat.SatIdx = 3;
  sat.SatPos = 192;
  sat.LofLow = 9750000;
  sat.LofHigh = 10600000;
  sat.LofSwitch = 11700000;
  sat.Sw1 = {kSwitchCommitted, 1, 0, {}, 1, 0};
  return sat;
}

class Tuning : public ::testing::Test {
protected:
  void SetUp() override {
    options.AdjustGotoX = false;
    sat.Load(Universal());
    statusNotifications = 0;
    qev::frame::AddGlobalNotification(qev::frame::kNotifyTunerStatus, &CountStatus);
  }
  void TearDown() override {
    qev::frame::RemoveGlobalNotification(qev::frame::kNotifyTunerStatus, &CountStatus);
  }
  // The last request that really tuned (not a supply switch).
  TuneRequest Tuned(std::uint32_t frequency, const char *polarisation, std::uint32_t rate) {
    device.tunes.clear();
    EXPECT_EQ(tuner.TuneTransponder(frequency, polarisation, rate, 0, false), 0);
    return device.tunes.back().request;
  }

  FakeClock clock;
  FakeDevice device{clock};
  qev::frame::TDiseqcOptions options;
  TDiseqcLog log;
  TDiseqcSender sender{device, clock, options, log};
  TLoadedSat sat;
  TTuner tuner{device, sat, sender, clock, options};
};

} // namespace

TEST_F(Tuning, MegahertzAndKilohertzGiveTheSameRequest) {
  const TuneRequest shortForm = Tuned(12188, "H", 27500);
  const TuneRequest longForm = Tuned(12188000, "H", 27500000);
  EXPECT_EQ(shortForm.Frequency, 12188000u);
  EXPECT_EQ(shortForm.SymbolRate, 27500000u);
  EXPECT_EQ(std::memcmp(&shortForm, &longForm, sizeof shortForm), 0);
  EXPECT_EQ(shortForm.Always2, 2u);
  EXPECT_EQ(shortForm.Reserved, 0u);
}

TEST_F(Tuning, PolarisationDecidesTheVoltage) {
  EXPECT_EQ(Tuned(11000, "h", 27500).Voltage, 18u);
  EXPECT_EQ(Tuned(11000, "  v ", 27500).Voltage, 13u);
  EXPECT_EQ(Tuned(11000, "Horizontal", 27500).Voltage, 18u);
}

TEST_F(Tuning, AnyOtherPolarisationIsRefusedInsteadOfSwitchingTheLnbOff) {
  for (const char *bad : {"", "L", "R", " ", "x"}) {
    device.tunes.clear();
    EXPECT_EQ(tuner.TuneTransponder(11000, bad, 27500, 0, true), kTuneRefused) << bad;
    EXPECT_TRUE(device.tunes.empty()) << bad;
  }
  EXPECT_TRUE(device.diseqc.empty());
}

TEST_F(Tuning, TheSwitchFrequencyItselfIsHighBand) {
  const TuneRequest high = Tuned(11700000, "V", 27500);
  EXPECT_EQ(high.LnbFrequency, 10600000u);
  EXPECT_EQ(high.Tone, 1u);
  const TuneRequest low = Tuned(11699999, "V", 27500);
  EXPECT_EQ(low.LnbFrequency, 9750000u);
  EXPECT_EQ(low.Tone, 0u);
}

TEST_F(Tuning, ASingleBandLnbAlwaysTakesTheHighOscillatorWithTone) {
  TSatRec circular = Universal();
  circular.LofLow = circular.LofHigh = 10750000;
  circular.LofSwitch = 0;
  sat.Load(circular);
  const TuneRequest request = Tuned(11000, "V", 27500);
  EXPECT_EQ(request.LnbFrequency, 10750000u);
  EXPECT_EQ(request.Tone, 1u);
}

TEST_F(Tuning, TheFirstTunePowersTheLnbAndWaits) {
  ASSERT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, true), 0);
  ASSERT_EQ(device.tunes.size(), 2u);
  EXPECT_EQ(device.tunes[0].request.Voltage, 255u);
  EXPECT_EQ(device.tunes[0].request.Frequency, 10788000u);
  EXPECT_EQ(device.tunes[1].request.Voltage, 13u);
  // 100 ms settling, then one committed message of 94 ms.
  EXPECT_EQ(device.tunes[1].at - device.tunes[0].at, 100 + 94);
  EXPECT_EQ(device.diseqc[0].at - device.tunes[0].at, 100);
  device.tunes.clear();
  ASSERT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, true), 0);
  EXPECT_EQ(device.tunes.size(), 1u);
}

TEST_F(Tuning, LockWaitWithADeviceThatNeverLocks) {
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 2000, true), kTuneNoLock);
  EXPECT_EQ(statusNotifications, 1);
  EXPECT_GE(device.reads, 2000 / 5 - 1);
  EXPECT_GT(clock.pumps, 0);
  EXPECT_EQ(tuner.Status().Level, 70); // the last read is kept
}

TEST_F(Tuning, LockWaitEndsAtTheLock) {
  device.lockAfterReads = 3;
  const std::int64_t before = clock.now;
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 2000, false), 0);
  EXPECT_EQ(device.reads, 3);
  EXPECT_LT(clock.now - before, 1000);
  EXPECT_EQ(statusNotifications, 1);
  EXPECT_NE(tuner.Status().Bits & QEV_SIGNAL_LOCK, 0);
}

TEST_F(Tuning, WithoutAWaitTheStatusIsReadAndAnnouncedOnce) {
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, false), 0);
  EXPECT_EQ(device.reads, 1);
  EXPECT_EQ(statusNotifications, 1);
}

TEST_F(Tuning, TheDevicesErrorIsPassedBackWithoutWaiting) {
  device.tuneResult = -7;
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 2000, false), -7);
  EXPECT_EQ(device.reads, 0);
  EXPECT_EQ(statusNotifications, 0);
}

TEST_F(Tuning, AFailedReadZeroesTheStatus) {
  device.status = {50, 60, 0x1F};
  tuner.ReadSignal(false);
  EXPECT_EQ(tuner.Status().Quality, 60);
  device.readResult = -2;
  EXPECT_EQ(tuner.ReadSignal(true), -2);
  const SignalStatus status = tuner.Status();
  EXPECT_EQ(status.Level + status.Quality + status.Bits, 0);
  EXPECT_EQ(statusNotifications, 1);
}

TEST_F(Tuning, AMissingSatelliteIsNotTuned) {
  sat.Clear();
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, true), kTuneRefused);
  sat.Load(TSatRec{});
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, true), kTuneRefused);
  TSatRec noLnb = Universal();
  noLnb.LofLow = noLnb.LofHigh = noLnb.LofSwitch = 0;
  sat.Load(noLnb);
  std::vector<std::string> logged;
  qev::frame::SetLogTarget(
      [&](int, int, const char *text) { logged.emplace_back(text != nullptr ? text : ""); });
  EXPECT_EQ(tuner.TuneTransponder(10788, "V", 22000, 0, true), kTuneRefused);
  qev::frame::SetLogTarget(nullptr);
  EXPECT_TRUE(device.tunes.empty());
  EXPECT_TRUE(device.diseqc.empty());
  // Says what is wrong with the satellite that is loaded.
  EXPECT_THAT(logged, ElementsAre("Tune: satellite 3 has no LNB frequencies (LofLow, LofHigh and "
                                  "LofSwitch are 0), nothing tuned"));
}

TEST_F(Tuning, TheSwitchHintGoesWithAChangeOrDiseqOnChan) {
  EXPECT_EQ(Tuned(10788, "V", 22000).DiseqcHint, 0u);
  device.tunes.clear();
  tuner.TuneTransponder(10788, "V", 22000, 0, true);
  EXPECT_EQ(device.tunes.back().request.DiseqcHint, 3u); // committed port 1
  options.DiseqOnChan = true;
  TSatRec burst = Universal();
  burst.Sw1 = {kSwitchSimple, 2, 0, {}, 1, 0};
  sat.Load(burst);
  EXPECT_EQ(Tuned(10788, "V", 22000).DiseqcHint, 2u);
  TSatRec uncommitted = Universal();
  uncommitted.Sw1 = {kSwitchUncommitted, 2, 0, {}, 1, 0};
  sat.Load(uncommitted);
  EXPECT_EQ(Tuned(10788, "V", 22000).DiseqcHint, 0u);
}

TEST_F(Tuning, ARefusedSwitchPortLeavesTheHintEmpty) {
  options.DiseqOnChan = true;
  const struct {
    std::uint8_t type, port;
  } refused[] = {{kSwitchCommitted, 0}, {kSwitchCommitted, 5}, {kSwitchSimple, 3},
                 {kSwitchSimple, 0}};
  for (const auto &r : refused) {
    TSatRec bad = Universal();
    bad.Sw1 = {r.type, r.port, 0, {}, 1, 0};
    sat.Load(bad);
    device.diseqc.clear();
    EXPECT_EQ(Tuned(10788, "V", 22000).DiseqcHint, 0u) << int{r.type} << " port " << int{r.port};
    EXPECT_TRUE(device.diseqc.empty()); // nothing was sent for it either
  }
}

TEST_F(Tuning, Level10SendsNoDiseqcButTheHintStays) {
  device.level = 10;
  device.tunes.clear();
  tuner.TuneTransponder(12188, "H", 27500, 0, true);
  EXPECT_TRUE(device.diseqc.empty());
  EXPECT_EQ(device.tunes.back().request.DiseqcHint, 3u);
}

TEST_F(Tuning, DiseqcGoesBeforeTheTuneWithTheRequestsVoltageAndTone) {
  tuner.TuneTransponder(12188, "H", 27500, 0, true);
  EXPECT_THAT(device.DiseqcHex(), ElementsAre("E0 10 38 F3"));
  EXPECT_LT(device.diseqc[0].at, device.tunes.back().at);
}

TEST_F(Tuning, LnbSupplyKeepsTheLastRequestsVoltage) {
  tuner.TuneTransponder(12188, "H", 27500, 0, false);
  device.tunes.clear();
  EXPECT_EQ(tuner.SetLnbSupply(false), 0);
  ASSERT_EQ(device.tunes.size(), 1u);
  EXPECT_EQ(device.tunes[0].request.Voltage, 0u);
  EXPECT_EQ(device.tunes[0].request.Frequency, 12188000u);
  EXPECT_EQ(tuner.LastRequest().Voltage, 18u);
  tuner.SetLnbSupply(true);
  EXPECT_EQ(device.tunes[1].request.Voltage, 255u);
}

namespace {
// Never ticks on its own: the monitor stays in its first wait until woken.
class IdlePacer final : public IStatusPacer {
public:
  bool Wait(std::chrono::milliseconds) override {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return woken_; });
    return true;
  }
  void Wake() override {
    std::lock_guard lock(mutex_);
    woken_ = true;
    wake_.notify_all();
  }

private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};
} // namespace

TEST_F(Tuning, ATunePausesTheMonitorAndLetsItPollAfterwardsButNeverRevivesIt) {
  IdlePacer pacer;
  TTunerStatusThread monitor([] {}, [](TTunerStatusThread::Task) {}, [] { return 300; }, &pacer);
  tuner.AttachStatusThread(&monitor);
  EXPECT_EQ(monitor.GetMode(), TTunerStatusThread::kPaused);
  monitor.SetMode(TTunerStatusThread::kPolling);
  int modeDuringTune = -1;
  device.onTune = [&] { modeDuringTune = monitor.GetMode(); };
  tuner.TuneTransponder(10788, "V", 22000, 100, true);
  EXPECT_EQ(modeDuringTune, TTunerStatusThread::kPaused);
  EXPECT_EQ(monitor.GetMode(), TTunerStatusThread::kPolling);
  tuner.SetStatusMode(TTunerStatusThread::kStopped);
  tuner.TuneTransponder(10788, "V", 22000, 0, false);
  EXPECT_EQ(monitor.GetMode(), TTunerStatusThread::kStopped);
  tuner.AttachStatusThread(nullptr);
}

TEST_F(Tuning, TheProgramsMonitorReadsAndAnnouncesOnTheUiThread) {
  qev::frame::EventLoop loop;
  qev::frame::SetCurrentDispatcher(&loop);
  bool offUiThread = false;
  device.onRead = [&] { offUiThread = offUiThread || !loop.IsUiThread(); };
  auto monitor = MakeTunerStatusThread(tuner);
  tuner.AttachStatusThread(monitor.get());
  tuner.SetStatusMode(TTunerStatusThread::kPolling);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (statusNotifications < 2 && std::chrono::steady_clock::now() < deadline) {
    loop.ProcessPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GE(statusNotifications, 2);
  EXPECT_FALSE(offUiThread);
  tuner.AttachStatusThread(nullptr);
  monitor.reset();
  qev::frame::SetCurrentDispatcher(nullptr);
}
