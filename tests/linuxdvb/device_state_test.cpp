// The signal, the demux tap as filters come and go, and opening and closing in good and bad
// conditions.
#include "linuxdvb/dvb_fixture.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace qev::linuxdvb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void Ignore(const std::uint8_t *, std::int32_t, void *) {}

using SignalReading = DvbDeviceTest;

TEST_F(SignalReading, BitsComeStraightFromTheStatusAndFiguresFromTheStatistics) {
  kernel.Frontend(0).unlockedBits = static_cast<fe_status_t>(FE_HAS_SIGNAL | FE_HAS_CARRIER);
  kernel.Frontend(0).locksWith = {};
  OpenQuietly();
  TuneRequest request{10788000, 2, 27500000, 9750000, 0, 13, 0, 0};
  ASSERT_EQ(Device().Tune(request), 0);
  kernel.ClearJournal();
  SignalStatus status{};
  ASSERT_EQ(Device().ReadSignal(status), 0);
  EXPECT_EQ(status.Bits, QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER);
  // -45 dBm on the -90..-30 dBm scale, 12 dB on the 0..15 dB scale.
  EXPECT_EQ(status.Level, 75);
  EXPECT_EQ(status.Quality, 80);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_READ_STATUS", "FE_GET_PROPERTY STAT_SIGNAL_STRENGTH STAT_CNR"));
}

TEST_F(SignalReading, RelativeStatisticsAreShares) {
  kernel.Frontend(0).strength = Stat(FE_SCALE_RELATIVE, 0xFFFF);
  kernel.Frontend(0).cnr = Stat(FE_SCALE_RELATIVE, 0x8000);
  OpenQuietly();
  SignalStatus status{};
  ASSERT_EQ(Device().ReadSignal(status), 0);
  EXPECT_EQ(status.Level, 100);
  EXPECT_EQ(status.Quality, 50);
  EXPECT_EQ(status.Bits, 0);
}

TEST_F(SignalReading, WithoutStatisticsTheOlderReadingsAnswer) {
  kernel.Frontend(0).strength = Stat(FE_SCALE_NOT_AVAILABLE);
  kernel.Frontend(0).cnr = Stat(FE_SCALE_NOT_AVAILABLE);
  OpenQuietly();
  SignalStatus status{};
  ASSERT_EQ(Device().ReadSignal(status), 0);
  EXPECT_EQ(status.Level, 50);
  EXPECT_EQ(status.Quality, 25);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("FE_READ_STATUS", "FE_GET_PROPERTY STAT_SIGNAL_STRENGTH STAT_CNR",
                          "FE_READ_SIGNAL_STRENGTH", "FE_READ_SNR"));
  // A kernel without the statistics at all.
  kernel.Fail("FE_GET_PROPERTY", EINVAL);
  ASSERT_EQ(Device().ReadSignal(status), 0);
  EXPECT_EQ(status.Level, 50);
  kernel.Fail("FE_READ_STATUS", EIO);
  EXPECT_EQ(Device().ReadSignal(status), kKernelFailed);
}

TEST_F(SignalReading, DvbSLockReportsQpsk) {
  OpenQuietly();
  TuneRequest request{10788000, 2, 27500000, 9750000, 0, 13, 0, 0};
  ASSERT_EQ(Device().Tune(request), 0);
  EXPECT_EQ(Device().GetDeviceInfo(QEV_INFO_DELIVERY, 0),
            QEV_DELIVERY_DVBS | (QEV_MODULATION_QPSK << 8));
}

using DemuxTap = DvbDeviceTest;

TEST_F(DemuxTap, FiltersSharingAPidTapItOnce) {
  OpenQuietly();
  const auto start = [&](std::uint16_t pid) {
    const std::int32_t handle =
        Device().StartFilter(pid, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr);
    EXPECT_GT(handle, 0);
    return handle;
  };
  const std::int32_t pat = start(0x0000);
  const std::int32_t videoA = start(0x0101);
  const std::int32_t videoB = start(0x0101);
  EXPECT_EQ(Device().StopFilter(videoA), 0);
  EXPECT_EQ(Device().StopFilter(pat), 0);
  EXPECT_EQ(Device().StopFilter(videoB), 0);
  EXPECT_EQ(Device().StopFilter(videoB), -1);
  EXPECT_THAT(kernel.Journal(), ElementsAre("DMX_SET_PES_FILTER 0x0000", "DMX_ADD_PID 0x0101",
                                            "DMX_REMOVE_PID 0x0000", "DMX_STOP"));
}

TEST_F(DemuxTap, AWholeStreamFilterTapsEverythingUntilItGoes) {
  OpenQuietly();
  const auto start = [&](std::uint16_t pid, std::uint16_t mode = QEV_DELIVER_PACKETS) {
    return Device().StartFilter(pid, &Ignore, mode, nullptr, nullptr, 0, nullptr);
  };
  const std::int32_t eit = start(0x0012, QEV_DELIVER_PAYLOADS);
  const std::int32_t whole = start(QEV_PID_ALL);
  const std::int32_t teletext = start(0x0104);
  const std::int32_t slot = start(QEV_PID_ALL, QEV_DELIVER_AV_SLOT(0));
  Device().StopFilter(whole);
  Device().StopFilter(slot);
  Device().StopFilter(eit);
  Device().StopFilter(teletext);
  EXPECT_THAT(kernel.Journal(),
              ElementsAre("DMX_SET_PES_FILTER 0x0012", "DMX_SET_PES_FILTER 0x2000",
                          "DMX_SET_PES_FILTER 0x0012", "DMX_ADD_PID 0x0104",
                          "DMX_REMOVE_PID 0x0012", "DMX_STOP"));
}

TEST_F(DemuxTap, APidTheDemuxRefusesLeavesNoFilter) {
  OpenQuietly();
  ASSERT_GT(
      Device().StartFilter(0x0100, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr), 0);
  kernel.Fail("DMX_ADD_PID", EBUSY);
  EXPECT_EQ(
      Device().StartFilter(0x0101, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr),
      kFilterNotTapped);
  EXPECT_THAT(Log(), ElementsAre("2 DMX_ADD_PID failed: Device or resource busy"));
  kernel.Fail("DMX_ADD_PID", 0);
  kernel.ClearJournal();
  // The refused filter was let go: the PID is asked for afresh.
  ASSERT_GT(
      Device().StartFilter(0x0101, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr), 0);
  EXPECT_THAT(kernel.Journal(), ElementsAre("DMX_ADD_PID 0x0101"));
  // A request the engine refuses never reaches the demux.
  EXPECT_LE(Device().StartFilter(0x0102, &Ignore, 77, nullptr, nullptr, 0, nullptr), 0);
  EXPECT_EQ(kernel.Journal().size(), 1u);
}

TEST_F(DemuxTap, NoFilterOnAClosedDevice) {
  EXPECT_EQ(
      Device().StartFilter(0x0100, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr),
      kNotOpen);
  EXPECT_THAT(kernel.Journal(), IsEmpty());
}

using OpenAndClose = DvbDeviceTest;

TEST_F(OpenAndClose, WithoutDvbDriversThereIsNoAdapter) {
  FakeKernel bare;
  TDvbDevice device(
      bare,
      [&](std::int32_t, std::int32_t level, void *data) {
        logged.push_back(std::to_string(level) + " " + static_cast<const char *>(data));
      },
      folder / "Dev_LinuxDvb.ini");
  EXPECT_EQ(device.Open(), kOpenNoAdapter);
  EXPECT_THAT(logged, ElementsAre("2 No DVB adapter found in /dev/dvb"));
  device.Close();
  device.Close();
  EXPECT_EQ(bare.OpenCount(), 0u);
}

TEST_F(OpenAndClose, TheSettingsChooseAdapterAndFrontend) {
  kernel.AddAdapter(1, 2, FakeFrontend{.name = "Second card"});
  WriteSettings("[LinuxDvb]\nAdapter=1\nFrontend=2\n");
  ASSERT_EQ(Device().Open(), 0);
  const auto journal = kernel.Journal();
  EXPECT_THAT(std::vector(journal.begin() + 8, journal.end()),
              ElementsAre("open adapter1/frontend2 rw", "FE_GET_INFO",
                          "FE_GET_PROPERTY ENUM_DELSYS", "open adapter1/demux2 rw",
                          "open adapter1/dvr2 ro", "DMX_SET_BUFFER_SIZE 4194304"));
  EXPECT_THAT(Log(), ElementsAre("0 adapter1/frontend2: Second card (DVB-S2)"));
}

TEST_F(OpenAndClose, SettingsThatCannotBeUsedFailTheOpen) {
  WriteSettings("[LinuxDvb]\nAdapter=first\n");
  EXPECT_EQ(Device().Open(), kOpenBadSettings);
  WriteSettings("[LinuxDvb]\nFrontend=300\n");
  EXPECT_EQ(Device().Open(), kOpenBadSettings);
  std::filesystem::remove(folder / "Dev_LinuxDvb.ini");
  std::filesystem::create_directory(folder / "Dev_LinuxDvb.ini");
  EXPECT_EQ(Device().Open(), kOpenBadSettings);
  const auto log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "2 Dev_LinuxDvb.ini: Adapter=first is not a number in 0..255");
  EXPECT_EQ(log[1], "2 Dev_LinuxDvb.ini: Frontend=300 is not a number in 0..255");
  EXPECT_THAT(log[2], ::testing::EndsWith("Dev_LinuxDvb.ini: Is a directory"));
  EXPECT_EQ(kernel.OpenCount(), 0u);
}

TEST_F(OpenAndClose, AnyDeviceThatWillNotOpenLeavesNothingOpen) {
  for (const char *device : {"adapter0/frontend0", "adapter0/demux0", "adapter0/dvr0"}) {
    kernel.Fail(std::string("open ") + device, EACCES);
    EXPECT_EQ(Device().Open(), kOpenCannotOpen) << device;
    EXPECT_EQ(kernel.OpenCount(), 0u) << device;
    EXPECT_EQ(Log().back(), "2 Cannot open /dev/dvb/" + std::string(device) +
                                ": Permission denied (is the user in the group \"video\"?)");
    kernel.Fail(std::string("open ") + device, 0);
  }
  Device().Close();
  EXPECT_EQ(Device().Open(), 0);
  Device().Close();
  EXPECT_EQ(kernel.OpenCount(), 0u);
}

TEST_F(OpenAndClose, ATerrestrialFrontendIsRefused) {
  kernel.AddAdapter(0, 0, FakeFrontend{.name = "DVB-T stick", .systems = {SYS_DVBT, SYS_DVBT2}});
  EXPECT_EQ(Device().Open(), kOpenNotSatellite);
  EXPECT_THAT(Log(), ElementsAre("2 DVB-T stick (adapter0/frontend0) is not a DVB-S/S2 frontend"));
  EXPECT_EQ(kernel.OpenCount(), 0u);
}

TEST_F(OpenAndClose, AnOlderKernelIsAskedForTheFrontendType) {
  FakeFrontend old;
  old.enumDelsys = false;
  kernel.AddAdapter(0, 0, old);
  ASSERT_EQ(Device().Open(), 0);
  EXPECT_THAT(Log(), ElementsAre("0 adapter0/frontend0: Fake DVB-S/S2 Frontend (DVB-S2)"));
}

TEST_F(OpenAndClose, CloseIsSafeAtAnyTimeAndClosesEverything) {
  Device().Close();
  ASSERT_EQ(Device().Open(), 0);
  ASSERT_GT(
      Device().StartFilter(0x0100, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr), 0);
  kernel.ClearJournal();
  Device().Close();
  Device().Close();
  EXPECT_THAT(kernel.Journal(), ElementsAre("close adapter0/dvr0", "close adapter0/demux0",
                                            "close adapter0/frontend0"));
  EXPECT_EQ(kernel.OpenCount(), 0u);
  // Reopening starts with an empty tap.
  ASSERT_EQ(Device().Open(), 0);
  kernel.ClearJournal();
  ASSERT_GT(
      Device().StartFilter(0x0100, &Ignore, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, nullptr), 0);
  EXPECT_THAT(kernel.Journal(), ElementsAre("DMX_SET_PES_FILTER 0x0100"));
}

} // namespace
} // namespace qev::linuxdvb::test
