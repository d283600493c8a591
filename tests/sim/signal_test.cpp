#include "sim/test_sky.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qev::sim::test {
namespace {

TEST_F(SimDeviceTest, LockComesAfterTheTranspondersDelayWithItsFigures) {
  Send({0xE0, 0x10, 0x38, 0xF3});
  const TuneRequest request = Request(12188000, 'H', 22000000); // lock delay 300 ms
  const auto tuned = std::chrono::steady_clock::now();
  ASSERT_EQ(Api().Tune(&request), 0);
  const SignalStatus early = Status();
  if ((early.Bits & QEV_SIGNAL_LOCK) == 0) { // unless this thread stalled for 300 ms
    EXPECT_EQ(early.Bits, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER);
    EXPECT_EQ(early.Level, 70);
    EXPECT_EQ(early.Quality, 0);
  }
  ASSERT_TRUE(WaitFor([this] { return Locked(); }));
  EXPECT_GE(std::chrono::steady_clock::now() - tuned, 300ms);
  const SignalStatus locked = Status();
  EXPECT_EQ(locked.Bits, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER | QEV_SIGNAL_VITERBI |
                             QEV_SIGNAL_SYNC | QEV_SIGNAL_LOCK);
  EXPECT_EQ(locked.Level, 70);
  EXPECT_EQ(locked.Quality, 60);
}

TEST_F(SimDeviceTest, EachTransponderHasItsOwnFigures) {
  Send({0xE0, 0x10, 0x38, 0xF4});
  TuneAndLock(Request(10788000, 'V', 27500000));
  EXPECT_EQ(Status().Level, 55);
  EXPECT_EQ(Status().Quality, 50);
}

TEST_F(SimDeviceTest, LosingTheLockClearsTheStatusUntilItReturns) {
  Send({0xE0, 0x10, 0x38, 0xF0});
  TuneAndLock(Request(10788000, 'V', 27500000));
  Module().LoseLock(true);
  EXPECT_EQ(Status().Bits, 0);
  EXPECT_EQ(Status().Level, 0);
  Module().LoseLock(false);
  EXPECT_TRUE(Locked());
}

TEST_F(SimDeviceTest, DescriptionAndDeviceInfo) {
  const DeviceDescription description = Module().Description();
  EXPECT_EQ(description.Version, QEV_DEVAPI_VERSION);
  EXPECT_STREQ(description.Name, "QEV Sky Simulator");
  EXPECT_EQ(description.Packets188, 1);
  EXPECT_EQ(std::string(description.StreamExt, description.StreamExtLength), ".ts");
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DISEQC_LEVEL, 0), 12);
  EXPECT_NE(Api().GetDeviceInfo(QEV_INFO_ALL_PIDS, 0), 0);
  char text[QEV_INFO_TEXT_MAX + 1];
  std::memset(text, 'x', sizeof text);
  EXPECT_NE(Api().GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text)), 0);
  EXPECT_STREQ(text, "Test sky");
  EXPECT_NE(Api().GetDeviceInfo(QEV_INFO_SELECT_DECODER, 0), 0);
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DECODER, 0), 0);
  EXPECT_EQ(Api().GetDeviceInfo(999, 0), 0);
}

TEST_F(SimDeviceTest, TheLockTellsItsDeliverySystemThroughDeviceInfoAndJournal) {
  TestSky::Stream("north_low_v.ts", 0x11);
  OpenSky("[Sat]\nTP1=11500,V,27500,north_low_v.ts,70,70,0,S2-8PSK\n");
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DELIVERY, 0), 0);
  Module().ClearJournal();
  TuneAndLock(Request(11500000, 'V', 27500000));
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DELIVERY, 0),
            QEV_DELIVERY_DVBS2 | QEV_MODULATION_8PSK << 8);
  Module().LoseLock(true);
  Status();
  const auto journal = Module().Journal();
  const auto locked = std::find(journal.begin(), journal.end(), "Lock DVB-S2 8PSK");
  ASSERT_NE(locked, journal.end());
  EXPECT_NE(std::find(locked, journal.end(), "Lock lost"), journal.end());
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_DELIVERY, 0), 0);
}

TEST_F(SimDeviceTest, ALongSkyNameIsCutForTheCaptionOnACharacterBoundary) {
  OpenSky("[Sky]\nName=" + std::string(64, 'a') + "é\n");
  char text[QEV_INFO_TEXT_MAX + 1] = {};
  Api().GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text));
  EXPECT_EQ(std::string(text), std::string(64, 'a'));
}

TEST(SimDeviceLifeTest, CloseWorksAfterAFailedOpenAndTwice) {
  SimModule &module = SimModule::Get();
  const DeviceInterface &api = module.Api();
  module.SetSkyFile((TestSky::Folder() / "no such sky.ini").string());
  EXPECT_NE(api.OpenDevice(), 0);
  api.CloseDevice();
  api.CloseDevice();
  SignalStatus status{};
  EXPECT_NE(api.GetSignalStatus(&status), 0);
  module.SetSkyFile(TestSky::WriteSky("life.ini", TestSky::DefaultSky()).string());
  ASSERT_EQ(api.OpenDevice(), 0);
  EXPECT_EQ(api.GetSignalStatus(&status), 0);
  api.CloseDevice();
  api.CloseDevice();
  EXPECT_NE(api.GetSignalStatus(&status), 0);
}

TEST(SimDeviceLifeTest, ABrokenSkyLineFailsTheOpen) {
  SimModule &module = SimModule::Get();
  module.SetSkyFile(TestSky::WriteSky("broken.ini", "[Sat]\nTP1=10788000,X,27500\n").string());
  EXPECT_NE(module.Api().OpenDevice(), 0);
  module.Api().CloseDevice();
}

TEST_F(SimDeviceTest, SlowOpenTakesItsTime) {
  Api().CloseDevice();
  Module().SetOpenDelay(200);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Api().OpenDevice(), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
}

TEST_F(SimDeviceTest, PluginDataIsAcceptedUnlessRefused) {
  const std::uint8_t block[16] = {};
  EXPECT_NE(Api().PassPluginData(0, block, 7), 0);
  Module().RefusePluginData(true);
  EXPECT_EQ(Api().PassPluginData(0, block, 7), 0);
}

} // namespace
} // namespace qev::sim::test
