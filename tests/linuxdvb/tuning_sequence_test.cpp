// What the module asks of the frontend, call by call, for each thing the program asks of it.
#include "linuxdvb/dvb_fixture.h"

#include <gmock/gmock.h>

namespace qev::linuxdvb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TuneRequest Request(std::uint32_t frequency, std::uint32_t oscillator, std::uint32_t tone,
                    std::uint32_t voltage, std::uint32_t symbolRate = 27500000) {
  TuneRequest request{};
  request.Frequency = frequency;
  request.Always2 = 2;
  request.SymbolRate = symbolRate;
  request.LnbFrequency = oscillator;
  request.Tone = tone;
  request.Voltage = voltage;
  return request;
}

constexpr const char *kDvbsProperties = " INNER_FEC=9 INVERSION=2 MODULATION=0 TUNE";

std::string DvbsTune(std::uint32_t intermediate, std::uint32_t symbolRate = 27500000) {
  return "FE_SET_PROPERTY CLEAR DELIVERY_SYSTEM=DVB-S FREQUENCY=" + std::to_string(intermediate) +
         " SYMBOL_RATE=" + std::to_string(symbolRate) + kDvbsProperties;
}

using TuningSequence = DvbDeviceTest;

TEST_F(TuningSequence, OpeningLooksAtEveryAdapterThenTakesTheChosenFrontend) {
  EXPECT_EQ(Device().Open(), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("open adapter0/frontend0 ro", "FE_GET_INFO",
                          "FE_GET_PROPERTY ENUM_DELSYS", "close adapter0/frontend0",
                          "open adapter0/frontend0 rw", "FE_GET_INFO",
                          "FE_GET_PROPERTY ENUM_DELSYS", "open adapter0/demux0 rw",
                          "open adapter0/dvr0 ro", "DMX_SET_BUFFER_SIZE 4194304"));
  EXPECT_THAT(Log(), ElementsAre("0 adapter0/frontend0: Fake DVB-S/S2 Frontend (DVB-S2)"));
  char text[QEV_INFO_TEXT_MAX + 1] = {};
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text)), 1);
  EXPECT_STREQ(text, "adapter0/frontend0: Fake DVB-S/S2 Frontend");
  Device().Close();
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_TEXT, reinterpret_cast<std::intptr_t>(text)), 0);
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_DISEQC_LEVEL, 0), 12);
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_ALL_PIDS, 0), 1);
}

TEST_F(TuningSequence, BothBandsAndPolarisationsTuneTheIntermediateFrequency) {
  OpenQuietly();
  ASSERT_EQ(Device().Tune(Request(10788000, 9750000, 0, 13)), 0);
  ASSERT_EQ(Device().Tune(Request(12188000, 10600000, 1, 18, 22000000)), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_SET_VOLTAGE 13", "FE_SET_TONE off", DvbsTune(1038000), "sleep 50",
                          "FE_READ_STATUS", "FE_SET_VOLTAGE 18", "FE_SET_TONE on",
                          DvbsTune(1588000, 22000000), "sleep 50", "FE_READ_STATUS"));
  // A C-band LNB's oscillator lies above the transponder.
  kernel.ClearJournal();
  ASSERT_EQ(Device().Tune(Request(3840000, 5150000, 0, 18)), 0);
  EXPECT_THAT(kernel.Journal(), ElementsAre("FE_SET_VOLTAGE 18", "FE_SET_TONE off",
                                            DvbsTune(1310000), "sleep 50", "FE_READ_STATUS"));
}

TEST_F(TuningSequence, VoltagesZeroAnd255OnlySwitchTheSupply) {
  OpenQuietly();
  EXPECT_EQ(Device().Tune(Request(0, 0, 0, QEV_LNB_SUPPLY_ON)), 0);
  EXPECT_EQ(Device().Tune(Request(0, 0, 0, QEV_LNB_SUPPLY_OFF)), 0);
  EXPECT_THAT(kernel.Journal(), ElementsAre("FE_SET_VOLTAGE 13", "FE_SET_VOLTAGE off"));
}

TEST_F(TuningSequence, RequestsTheFrontendCannotTakeAreRefusedUnsent) {
  OpenQuietly();
  EXPECT_EQ(Device().Tune(Request(10788000, 9750000, 0, 14)), kBadRequest);
  EXPECT_EQ(Device().Tune(Request(10788000, 9750000, 0, 13, 0)), kBadRequest);
  EXPECT_EQ(Device().Tune(Request(9750000, 9750000, 0, 13)), kBadRequest);
  EXPECT_THAT(kernel.Journal(), IsEmpty());
  EXPECT_EQ(Log().size(), 3u);
}

TEST_F(TuningSequence, DvbS2IsTriedWhenDvbSDoesNotLock) {
  WriteSettings("[LinuxDvb]\nLockWait=150\n");
  kernel.Frontend(0).locksWith = {SYS_DVBS2};
  OpenQuietly();
  ASSERT_EQ(Device().Tune(Request(11494000, 10600000, 1, 18)), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_SET_VOLTAGE 18", "FE_SET_TONE on", DvbsTune(894000), "sleep 50",
                          "FE_READ_STATUS", "sleep 50", "FE_READ_STATUS", "sleep 50",
                          "FE_READ_STATUS",
                          "FE_SET_PROPERTY CLEAR DELIVERY_SYSTEM=DVB-S2 FREQUENCY=894000 "
                          "SYMBOL_RATE=27500000 INNER_FEC=9 INVERSION=2 PILOT=2 ROLLOFF=3 TUNE"));
  // The user-interface thread stays alive while DVB-S gets its chance.
  EXPECT_EQ(pumps, 3);
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_DELIVERY, 0),
            QEV_DELIVERY_DVBS2 | (QEV_MODULATION_8PSK << 8));
}

TEST_F(TuningSequence, ADvbSOnlyFrontendNeverTriesDvbS2) {
  FakeFrontend dvbs;
  dvbs.systems = {SYS_DVBS};
  dvbs.locksWith = {};
  kernel.AddAdapter(0, 0, dvbs);
  WriteSettings("[LinuxDvb]\nLockWait=50\n");
  OpenQuietly();
  ASSERT_EQ(Device().Tune(Request(10788000, 9750000, 0, 13)), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_SET_VOLTAGE 13", "FE_SET_TONE off", DvbsTune(1038000)));
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_DELIVERY, 0), 0);
}

TEST_F(TuningSequence, DiseqcGoesOutWithTheToneOffAndSettled) {
  OpenQuietly();
  ASSERT_EQ(Device().Tune(Request(12188000, 10600000, 1, 18)), 0);
  kernel.ClearJournal();
  const std::uint8_t committed[] = {0xE0, 0x10, 0x38, 0xF3};
  const std::uint8_t repeated[] = {0xE1, 0x10, 0x38, 0xF3};
  ASSERT_EQ(Device().SendDiseqc(committed, 4, 0), 0);
  ASSERT_EQ(Device().SendDiseqc(repeated, 4, 0), 0);
  ASSERT_EQ(Device().Tune(Request(12188000, 10600000, 1, 18)), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_SET_TONE off", "sleep 15", "FE_DISEQC_SEND_MASTER_CMD E0 10 38 F3",
                          "FE_DISEQC_SEND_MASTER_CMD E1 10 38 F3", "FE_SET_VOLTAGE 18",
                          "FE_SET_TONE on", DvbsTune(1588000), "sleep 50", "FE_READ_STATUS"));
}

TEST_F(TuningSequence, DiseqcBeforeTheFirstTunePowersTheLnbFirst) {
  OpenQuietly();
  const std::uint8_t usals[] = {0xE0, 0x31, 0x6E, 0xFF, 0x58};
  ASSERT_EQ(Device().SendDiseqc(usals, 5, 0), 0);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_SET_VOLTAGE 13", "sleep 100", "FE_SET_TONE off", "sleep 15",
                          "FE_DISEQC_SEND_MASTER_CMD E0 31 6E FF 58"));
}

TEST_F(TuningSequence, ToneBurstsAreMiniCommands) {
  OpenQuietly();
  ASSERT_EQ(Device().Tune(Request(0, 0, 0, QEV_LNB_SUPPLY_ON)), 0);
  kernel.ClearJournal();
  EXPECT_EQ(Device().SendDiseqc(nullptr, 0, 1), 0);
  EXPECT_EQ(Device().SendDiseqc(nullptr, 0, 2), 0);
  EXPECT_EQ(Device().SendDiseqc(nullptr, 0, 3), kBadRequest);
  EXPECT_THAT(kernel.Journal(), ElementsAre("FE_SET_TONE off", "sleep 15", "FE_DISEQC_SEND_BURST A",
                                            "FE_DISEQC_SEND_BURST B"));
}

TEST_F(TuningSequence, MessagesTheKernelCannotSendAreRefusedWholeNeverCut) {
  OpenQuietly();
  const std::uint8_t eight[] = {0xE0, 0x31, 0x6E, 0x01, 0x02, 0x03, 0x04, 0x05};
  EXPECT_EQ(Device().SendDiseqc(eight, 8, 0), kBadRequest);
  EXPECT_EQ(Device().SendDiseqc(eight, 7, 0), kBadRequest);
  EXPECT_EQ(Device().SendDiseqc(eight, 2, 0), kBadRequest);
  EXPECT_EQ(Device().SendDiseqc(nullptr, 4, 0), kBadRequest);
  EXPECT_THAT(kernel.Journal(), IsEmpty());
  EXPECT_EQ(Log().front(), "2 DiSEqC message of 8 bytes not sent: the kernel sends 3 to 6 bytes");
  kernel.ClearJournal();
  ASSERT_EQ(Device().SendDiseqc(eight, 6, 0), 0);
  EXPECT_EQ(kernel.Journal().back(), "FE_DISEQC_SEND_MASTER_CMD E0 31 6E 01 02 03");
}

TEST_F(TuningSequence, AFailingCallIsReportedWithTheKernelsReason) {
  OpenQuietly();
  kernel.Fail("FE_SET_PROPERTY", EINVAL);
  EXPECT_EQ(Device().Tune(Request(10788000, 9750000, 0, 13)), kKernelFailed);
  kernel.Fail("FE_SET_PROPERTY", 0);
  kernel.Fail("FE_DISEQC_SEND_MASTER_CMD", ETIMEDOUT);
  const std::uint8_t message[] = {0xE0, 0x10, 0x38, 0xF0};
  EXPECT_EQ(Device().SendDiseqc(message, 4, 0), kKernelFailed);
  kernel.Fail("FE_SET_VOLTAGE", EIO);
  EXPECT_EQ(Device().Tune(Request(0, 0, 0, QEV_LNB_SUPPLY_OFF)), kKernelFailed);
  EXPECT_THAT(Log(), ElementsAre("2 FE_SET_PROPERTY failed: Invalid argument",
                                 "2 FE_DISEQC_SEND_MASTER_CMD failed: Connection timed out",
                                 "2 FE_SET_VOLTAGE failed: Input/output error"));
}

TEST_F(TuningSequence, ACallOnAClosedDeviceReachesNoKernel) {
  const std::uint8_t message[] = {0xE0, 0x10, 0x38, 0xF0};
  SignalStatus status{};
  EXPECT_EQ(Device().Tune(Request(10788000, 9750000, 0, 13)), kNotOpen);
  EXPECT_EQ(Device().SendDiseqc(message, 4, 0), kNotOpen);
  EXPECT_EQ(Device().ReadSignal(status), kNotOpen);
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_DELIVERY, 0), 0);
  EXPECT_THAT(kernel.Journal(), IsEmpty());
}

} // namespace
} // namespace qev::linuxdvb::test
