// The tuning engine end to end: the real tuner and the device module Dev_Sim.int, loaded as the
// program loads a module; the module's journal shows what reached the equipment.
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/engine_fakes.h"
#include "device/tuner.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "device/tuning_engine.h"
#include "sim/sim_module.h"
#include "sim/test_sky.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace qev::device::test {
namespace {

using sim::test::SimModule;
using sim::test::TestSky;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

void IgnoreCallback(std::int32_t, std::int32_t, void *) {}

std::string EngineSky() {
  TestSky::Stream("north_low_v.ts", 0x11);
  TestSky::Stream("south_low_v.ts", 0x21);
  return R"([Sky]
Name=Engine sky
Fast=1
LnbLow=9750000
LnbHigh=10600000

[North]
Committed=1
TP1=10788000,V,27500000,north_low_v.ts,80,90,0

[South]
Committed=2
TP1=10788000,V,27500000,south_low_v.ts,55,50,0
)";
}

data::TChannelRec SkyChannel(std::uint16_t sid, const std::string &name) {
  data::TChannelRec rec = Channel(10788000, 'V', 27500, sid, name);
  rec.PmtPid = sim::test::kPmtPid;
  rec.VidPid = sim::test::kVideoPid;
  rec.PcrPid = sim::test::kVideoPid;
  rec.AudPid = sim::test::kAudioPid;
  rec.TtxPid = 0;
  return rec;
}

class EngineSimTest : public ::testing::Test {
protected:
  void SetUp() override {
    SimModule::Get().SetSkyFile(TestSky::WriteSky("engine_sky.ini", EngineSky()).string());
    ASSERT_EQ(LoadDeviceModule(module, QEV_SIM_MODULE, &IgnoreCallback, nullptr), kLoaded);
    root.AddSat(1, 192, "North", 1);
    root.AddSat(2, 130, "South", 2);
    north = root.AddChannel(1, SkyChannel(0x11, "North One"));
    northOther = root.AddChannel(1, SkyChannel(0x12, "North Two"));
    south = root.AddChannel(2, SkyChannel(0x21, "South One"));
  }
  void TearDown() override { module.Unload(); }

  // The module's journal since the last call, without the time.
  std::vector<std::string> TakeJournal() {
    std::vector<std::string> lines = SimModule::Get().Journal();
    SimModule::Get().ClearJournal();
    return lines;
  }
  bool Locked() {
    SignalStatus status{};
    return module.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK) != 0;
  }

  EngineRoot root;
  frame::TDiseqcOptions diseqcOptions;
  TDeviceModule module;
  TModuleTunerDevice tunerDevice{module};
  TDiseqcLog diseqcLog;
  TDiseqcSender diseqc{tunerDevice, SystemTunerClock(), diseqcOptions, diseqcLog};
  TLoadedSat loaded;
  TTuner tuner{tunerDevice, loaded, diseqc, SystemTunerClock(), diseqcOptions};
  TModuleAvDevice av{module};
  TLastChannels last;
  frame::TNotificationHub hub;
  TTuningEngine engine{{root.lists, root.sats, av, tuner, loaded, last, hub}};
  std::int32_t north = 0, northOther = 0, south = 0;
};

std::ptrdiff_t IndexOf(const std::vector<std::string> &lines, const std::string &prefix) {
  const auto found = std::find_if(lines.begin(), lines.end(),
                                  [&](const std::string &l) { return l.starts_with(prefix); });
  return found == lines.end() ? -1 : found - lines.begin();
}

TEST_F(EngineSimTest, OtherSatelliteSendsItsCommittedSwitchThenTunesAndLocks) {
  ASSERT_TRUE(engine.SwitchChannel(0, north, true));
  ASSERT_TRUE(sim::test::WaitFor([this] { return Locked(); }));
  TakeJournal();
  ASSERT_TRUE(engine.SwitchChannel(0, south, true));
  const std::vector<std::string> lines = TakeJournal();
  // Committed port 2, vertical, low band.
  const std::ptrdiff_t diseqcAt = IndexOf(lines, "SendDiseqc E0 10 38 F4");
  const std::ptrdiff_t tuneAt = IndexOf(lines, "Tune 10788000 2 27500000 9750000 0 13");
  const std::ptrdiff_t pidsAt = IndexOf(lines, "SetChannelPids 0 0x0102 0x0101 0x0101 23");
  ASSERT_GE(diseqcAt, 0);
  EXPECT_LT(diseqcAt, tuneAt);
  EXPECT_LT(tuneAt, pidsAt);
  EXPECT_EQ(loaded.Index(), 2);
  EXPECT_TRUE(sim::test::WaitFor([this] { return Locked(); }));
}

TEST_F(EngineSimTest, SameTransponderSendsNoDiseqcAndNoTune) {
  ASSERT_TRUE(engine.SwitchChannel(0, north, true));
  TakeJournal();
  ASSERT_TRUE(engine.SwitchChannel(0, northOther, true));
  const std::vector<std::string> lines = TakeJournal();
  EXPECT_THAT(lines, Not(Contains(HasSubstr("SendDiseqc"))));
  EXPECT_THAT(lines, Not(Contains(HasSubstr("Tune "))));
  EXPECT_THAT(lines, Contains("SetChannelPids 0 0x0102 0x0101 0x0101 23"));
  EXPECT_THAT(lines, Contains("SetTeletextPid 0x1FFF"));
}

// A session of the program's own that ends with the module unloaded (a suspend, a qevtool
// play): tuner and engine are made afresh, the loaded satellite is the program's.
struct ProgramSession {
  ProgramSession(EngineRoot &root, TModuleTunerDevice &device, IAvDevice &av,
                 const frame::TDiseqcOptions &options, TDiseqcLog &log)
      : diseqc(device, SystemTunerClock(), options, log),
        tuner(device, LoadedSat(), diseqc, SystemTunerClock(), options),
        engine({root.lists, root.sats, av, tuner, LoadedSat(), last, hub}) {}
  TDiseqcSender diseqc;
  TTuner tuner;
  TLastChannels last;
  frame::TNotificationHub hub;
  TTuningEngine engine;
};

// The module loaded again starts with its switches unset: the same satellite is switched to
// again, so the transponder locks as in the first session.
TEST_F(EngineSimTest, ModuleLoadedAgainIsSwitchedToTheSameSatelliteAgain) {
  for (int session = 0; session < 2; ++session) {
    SCOPED_TRACE(session);
    ASSERT_EQ(LoadDeviceModule(module, QEV_SIM_MODULE, &IgnoreCallback, nullptr), kLoaded);
    TakeJournal();
    ProgramSession program(root, tunerDevice, av, diseqcOptions, diseqcLog);
    ASSERT_TRUE(program.engine.SwitchChannel(0, south, true));
    EXPECT_THAT(TakeJournal(), Contains(HasSubstr("SendDiseqc E0 10 38 F4")));
    EXPECT_TRUE(sim::test::WaitFor([this] { return Locked(); }));
    module.Unload();
  }
}

} // namespace
} // namespace qev::device::test
