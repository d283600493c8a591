// Tuning end to end: the tuner drives Dev_Sim.int, loaded as the program loads a module, over
// the demo sky's own description; the module's journal shows what reached it.
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/tuner.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "frame/notification_hub.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <sstream>
#include <string>
#include <vector>

using namespace qev::device;
using qev::data::TSatRec;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char *const kModule = QEV_SIM_MODULE;
const char *const kSky = QEV_SIM_SKY; // the sky the demo root ships

// The module's test entries, reached through a reference of our own to the loaded library.
class SimHooks {
public:
  SimHooks() : handle_(dlopen(kModule, RTLD_NOW)) {}
  ~SimHooks() {
    if (handle_ != nullptr)
      dlclose(handle_);
  }
  bool Loaded() const { return handle_ != nullptr; }
  void SetSkyFile(const char *path) const {
    Entry<void (*)(const char *)>("SimTest_SetSkyFile")(path);
  }
  void LoseLock(bool lost) const { Entry<void (*)(std::int32_t)>("SimTest_LoseLock")(lost); }
  void ClearJournal() const { Entry<void (*)()>("SimTest_ClearJournal")(); }
  // Journal lines without their time.
  std::vector<std::string> Journal() const {
    const auto read = Entry<std::int32_t (*)(char *, std::int32_t)>("SimTest_Journal");
    std::string text(static_cast<std::size_t>(read(nullptr, 0)) + 1, '\0');
    read(text.data(), static_cast<std::int32_t>(text.size()));
    std::vector<std::string> lines;
    std::istringstream in(text.c_str());
    for (std::string line; std::getline(in, line);)
      lines.push_back(line.substr(line.find(' ') + 1));
    return lines;
  }

private:
  template <typename F> F Entry(const char *name) const {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }
  void *handle_;
};

void IgnoreCallback(std::int32_t, std::int32_t, void *) {}

int statusNotifications = 0;
void CountStatus(void *, std::intptr_t, std::intptr_t) { ++statusNotifications; }

// The satellites of the demo sky as a user would set them up: a universal LNB behind a
// committed switch.
TSatRec SkySat(std::uint8_t index, std::uint16_t position, std::uint8_t port) {
  TSatRec sat{};
  sat.SatIdx = index;
  sat.SatPos = position;
  sat.LofLow = 9750000;
  sat.LofHigh = 10600000;
  sat.LofSwitch = 11700000;
  sat.Sw1 = {kSwitchCommitted, port, 0, {}, 1, 0};
  return sat;
}

class TunerOnSim : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    hooks = new SimHooks;
    ASSERT_TRUE(hooks->Loaded()) << dlerror();
    hooks->SetSkyFile(kSky);
    ASSERT_EQ(LoadDeviceModule(Device(), kModule, &IgnoreCallback, nullptr), kLoaded);
  }
  static void TearDownTestSuite() {
    Device().Unload();
    hooks->SetSkyFile(nullptr);
    delete hooks;
  }
  void SetUp() override {
    options.AdjustGotoX = false;
    hooks->LoseLock(false);
    hooks->ClearJournal();
    statusNotifications = 0;
    qev::frame::AddGlobalNotification(qev::frame::kNotifyTunerStatus, &CountStatus);
  }
  void TearDown() override {
    qev::frame::RemoveGlobalNotification(qev::frame::kNotifyTunerStatus, &CountStatus);
  }
  std::int32_t Tune(const TSatRec &rec, std::uint32_t frequency, const char *polarisation,
                    std::uint32_t symbolRate, std::uint16_t waitMs = 5000) {
    sat.Load(rec);
    return tuner.TuneTransponder(frequency, polarisation, symbolRate, waitMs, true);
  }

  static inline SimHooks *hooks = nullptr;
  TModuleTunerDevice device{Device()};
  qev::frame::TDiseqcOptions options;
  TDiseqcLog log;
  TDiseqcSender sender{device, SystemTunerClock(), options, log};
  TLoadedSat sat;
  TTuner tuner{device, sat, sender, SystemTunerClock(), options};
};

} // namespace

TEST_F(TunerOnSim, EveryTransponderOfTheFirstSatelliteLocksBehindPort1) {
  const TSatRec astra = SkySat(1, 192, 1);
  EXPECT_EQ(Tune(astra, 10788, "V", 22000), 0);
  EXPECT_THAT(hooks->Journal(), Contains("SendDiseqc E0 10 38 F0 -> 0"));
  EXPECT_THAT(hooks->Journal(), Contains("Tune 10788000 2 22000000 9750000 0 13 0 3 -> 0"));
  EXPECT_EQ(statusNotifications, 1);
  EXPECT_NE(tuner.Status().Bits & QEV_SIGNAL_LOCK, 0);
  EXPECT_EQ(tuner.Status().Level, 82);
  hooks->ClearJournal();
  EXPECT_EQ(Tune(astra, 12188000, "H", 27500000), 0);
  EXPECT_THAT(hooks->Journal(), Contains("SendDiseqc E0 10 38 F3 -> 0"));
  EXPECT_THAT(hooks->Journal(), Contains("Tune 12188000 2 27500000 10600000 1 18 0 3 -> 0"));
}

TEST_F(TunerOnSim, EveryTransponderOfTheSecondSatelliteLocksBehindPort2) {
  const TSatRec hotbird = SkySat(2, 130, 2);
  EXPECT_EQ(Tune(hotbird, 11054, "H", 27500), 0);
  EXPECT_THAT(hooks->Journal(), Contains("SendDiseqc E0 10 38 F6 -> 0"));
  hooks->ClearJournal();
  EXPECT_EQ(Tune(hotbird, 12303, "v", 27500), 0);
  EXPECT_THAT(hooks->Journal(), Contains("SendDiseqc E0 10 38 F5 -> 0"));
  EXPECT_EQ(tuner.Status().Quality, 65);
}

TEST_F(TunerOnSim, TheFirstTunePowersTheLnbBeforeTheSwitch) {
  EXPECT_EQ(Tune(SkySat(1, 192, 1), 10788, "V", 22000), 0);
  const auto journal = hooks->Journal();
  const auto power = std::find_if(journal.begin(), journal.end(), [](const std::string &line) {
    return line.starts_with("Tune ") && line.find(" 255 0 ") != std::string::npos;
  });
  const auto diseqc = std::find(journal.begin(), journal.end(), "SendDiseqc E0 10 38 F0 -> 0");
  ASSERT_NE(power, journal.end());
  EXPECT_LT(power, diseqc);
}

TEST_F(TunerOnSim, AWrongPortDoesNotLock) {
  EXPECT_EQ(Tune(SkySat(1, 192, 3), 10788, "V", 22000, 600), kTuneNoLock);
  EXPECT_THAT(hooks->Journal(), Contains("SendDiseqc E0 10 38 F8 -> 0"));
  EXPECT_EQ(statusNotifications, 1);
  // The other satellite's port reaches the other satellite, not this transponder.
  EXPECT_EQ(Tune(SkySat(1, 192, 2), 10788, "V", 22000, 600), kTuneNoLock);
}

TEST_F(TunerOnSim, ALostLockIsNoLock) {
  hooks->LoseLock(true);
  EXPECT_EQ(Tune(SkySat(1, 192, 1), 10788, "V", 22000, 300), kTuneNoLock);
  EXPECT_EQ(statusNotifications, 1);
  EXPECT_EQ(tuner.Status().Bits, 0);
}

TEST_F(TunerOnSim, SameSatelliteWithoutDiseqOnChanSendsNoDiseqc) {
  ASSERT_EQ(Tune(SkySat(1, 192, 1), 10788, "V", 22000), 0);
  hooks->ClearJournal();
  EXPECT_EQ(tuner.TuneTransponder(12188, "H", 27500, 5000, false), 0);
  EXPECT_THAT(hooks->Journal(), Not(Contains(HasSubstr("SendDiseqc"))));
}
