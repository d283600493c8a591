// The DiSEqC sender against a fake device and clock: framing, repeats, bus time, pauses, log
// lines and when anything is sent at all.
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "tuner_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev::device;
using namespace qev::device::test;
using qev::data::TSatRec;
using ::testing::ElementsAre;

namespace {

class Sender : public ::testing::Test {
protected:
  Sender() { options.AdjustGotoX = false; }

  static TSatRec CommittedSat(std::uint8_t port) {
    TSatRec sat{};
    sat.SatIdx = 1;
    sat.Sw1 = {kSwitchCommitted, port, 0, {}, 1, 0};
    return sat;
  }

  FakeClock clock;
  FakeDevice device{clock};
  qev::frame::TDiseqcOptions options;
  TDiseqcLog log;
  TDiseqcSender sender{device, clock, options, log};
};

} // namespace

TEST_F(Sender, BusTimeGrowsWithTheMessage) {
  EXPECT_EQ(TDiseqcSender::BusTimeMs(4), 94);
  EXPECT_EQ(TDiseqcSender::BusTimeMs(3), 80);
  EXPECT_EQ(TDiseqcSender::BusTimeMs(5), 107);
}

TEST_F(Sender, OneTransmissionWaitsItsBusTimeAndLogsIt) {
  sender.SendMessage({0xE0, 0x10, 0x38, 0xF7}, 1, 0);
  ASSERT_EQ(device.diseqc.size(), 1u);
  EXPECT_EQ(clock.now - device.diseqc[0].at, 94);
  EXPECT_GT(clock.pumps, 0); // the window stays alive while waiting
  EXPECT_THAT(log.Lines(), ElementsAre("PT=94 W=94", "E0 10 38 F7 ", "---------------"));
}

TEST_F(Sender, TimeSpentInTheDeviceCountsTowardsTheBusTime) {
  device.busyMs = 30;
  sender.SendMessage({0xE0, 0x10, 0x38}, 1, 0);
  EXPECT_EQ(clock.now - device.diseqc[0].at, 80);
  EXPECT_EQ(log.Lines()[0], "PT=80 W=50");
}

TEST_F(Sender, RepeatsUseTheRepeatFramingAndPauseOnlyAtTheEnd) {
  sender.SendMessage({0xE0, 0x10, 0x38, 0xF0}, 3, 20);
  EXPECT_THAT(device.DiseqcHex(), ElementsAre("E0 10 38 F0", "E1 10 38 F0", "E1 10 38 F0"));
  EXPECT_EQ(device.diseqc[1].at - device.diseqc[0].at, 94);
  EXPECT_EQ(device.diseqc[2].at - device.diseqc[1].at, 94);
  EXPECT_EQ(clock.now - device.diseqc[2].at, 94 + 20);
  EXPECT_THAT(log.Lines(),
              ElementsAre("PT=94 W=94", "E0 10 38 F0 ", "PT=94 W=94", "E1 10 38 F0 ", "PT=94 W=94",
                          "E1 10 38 F0 ", "Delay 20 ms", "---------------"));
  options.DiseqRepPrefix = 2;
  device.diseqc.clear();
  sender.SendMessage({0xE0, 0x10, 0x38, 0xF0}, 2, 0);
  EXPECT_THAT(device.DiseqcHex(), ElementsAre("E0 10 38 F0", "E2 10 38 F0"));
}

TEST_F(Sender, NothingForAnEmptyMessageOrZeroRepeats) {
  sender.SendMessage({}, 3, 10);
  sender.SendMessage({0xE0, 0x10, 0x38, 0xF0}, 0, 10);
  EXPECT_TRUE(device.diseqc.empty());
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(Sender, ToneBurstTakes53MsAndIsSentAtLeastOnce) {
  TSatRec sat{};
  sat.Sw1 = {kSwitchSimple, 2, 0, {}, 0, 0};
  sender.SendSwitchSequence(sat, false, false);
  ASSERT_EQ(device.diseqc.size(), 1u);
  EXPECT_TRUE(device.diseqc[0].bytes.empty());
  EXPECT_EQ(device.diseqc[0].burst, 2);
  EXPECT_EQ(clock.now - device.diseqc[0].at, 53);
  EXPECT_THAT(log.Lines(), ElementsAre("PT=53 W=53", "Toneburst B", "---------------"));
}

TEST_F(Sender, RawSwitchIsSentWithFreshFramingAndAtMostEightBytes) {
  TSatRec sat{};
  sat.Sw2 = {kSwitchRaw, 1, 12, {0xE1, 0x10, 0x38, 0xF2, 1, 2, 3, 4}, 2, 0};
  sender.SendSwitchSequence(sat, false, false);
  EXPECT_THAT(device.DiseqcHex(),
              ElementsAre("E0 10 38 F2 01 02 03 04", "E1 10 38 F2 01 02 03 04"));
}

TEST_F(Sender, AnInvalidLevelIsSkippedWithALineAndTheOthersStillGo) {
  TSatRec sat{};
  sat.Sw1 = {kSwitchCommitted, 5, 0, {}, 1, 0};
  sat.Sw2 = {kSwitchUncommitted, 16, 0, {}, 1, 0};
  sender.SendSwitchSequence(sat, true, true);
  EXPECT_THAT(device.DiseqcHex(), ElementsAre("E0 10 39 FF"));
  EXPECT_EQ(log.Lines().front(), "Sw1: port 5 out of range, not sent");
}

TEST_F(Sender, SwitchesInOrderThenThePositionerWhenTheSatelliteChanged) {
  TSatRec sat = CommittedSat(2);
  sat.Sw2 = {kSwitchUncommitted, 3, 0, {}, 1, 0};
  sat.Sw3 = {kSwitchSimple, 1, 0, {}, 1, 0};
  sat.PosType = kPosUsalsGeneric;
  sat.PosAngle = -105;
  sat.PosTxCount = 1;
  sender.SendForTune(sat, true, true, true);
  EXPECT_THAT(device.DiseqcHex(),
              ElementsAre("E0 10 38 F7", "E0 10 39 F2", "burst 1", "E0 31 6E FF 58"));
}

TEST_F(Sender, SameSatelliteSendsTheSwitchesOnlyWhenAsked) {
  TSatRec sat = CommittedSat(1);
  sat.PosType = kPosDiseqc12;
  sat.PosStored = 3;
  sat.PosTxCount = 1;
  sender.SendForTune(sat, false, false, false);
  EXPECT_TRUE(device.diseqc.empty());
  options.DiseqOnChan = true;
  sender.SendForTune(sat, false, false, false);
  EXPECT_THAT(device.DiseqcHex(), ElementsAre("E0 10 38 F0"));
}

TEST_F(Sender, ADeviceBelowLevel11GetsNothing) {
  device.level = 10;
  options.DiseqOnChan = true;
  sender.SendForTune(CommittedSat(1), false, false, true);
  EXPECT_TRUE(device.diseqc.empty());
  EXPECT_TRUE(log.Lines().empty());
  device.level = 11;
  sender.SendForTune(CommittedSat(1), false, false, true);
  EXPECT_EQ(device.diseqc.size(), 1u);
}

TEST(DiseqcLogModel, KeepsTheLast100LinesUntilCleared) {
  TDiseqcLog log;
  for (int i = 0; i < 130; ++i)
    log.Add(std::to_string(i));
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 100u);
  EXPECT_EQ(lines.front(), "30");
  EXPECT_EQ(lines.back(), "129");
  const auto version = log.Version();
  log.Clear();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_GT(log.Version(), version);
}
