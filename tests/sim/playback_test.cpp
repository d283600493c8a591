#include "sim/test_sky.h"

#include "pcr_pacer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::sim::test {
namespace {

using Clock = std::chrono::steady_clock;

// Counts what a filter delivers; remembers when each PCR of the video PID arrived.
struct Collector {
  struct PcrArrival {
    Clock::time_point wall;
    std::uint64_t pcr27;
    std::uint64_t bytesBefore;
  };

  std::atomic<std::uint64_t> bytes{0};
  std::atomic<int> calls{0};
  std::mutex mutex;
  std::vector<PcrArrival> pcrs;

  static void Take(const std::uint8_t *data, std::int32_t length, void *context) {
    auto &self = *static_cast<Collector *>(context);
    const auto now = Clock::now();
    for (std::int32_t pos = 0; pos + 188 <= length; pos += 188) {
      const std::uint8_t *packet = data + pos;
      const auto pcr = ReadPcr(packet);
      if (pcr && (((packet[1] & 0x1F) << 8) | packet[2]) == kVideoPid) {
        std::lock_guard lock(self.mutex);
        self.pcrs.push_back({now, *pcr, self.bytes + std::uint64_t(pos)});
      }
    }
    self.bytes += static_cast<std::uint64_t>(length);
    ++self.calls;
  }
  std::vector<PcrArrival> Pcrs() {
    std::lock_guard lock(mutex);
    return pcrs;
  }
};

class PlaybackTest : public SimDeviceTest {
protected:
  void TuneNorth() {
    Send({0xE0, 0x10, 0x38, 0xF0});
    TuneAndLock(Request(10788000, 'V', 27500000));
  }
  std::int32_t Start(Collector &collector, std::uint16_t pid = QEV_PID_ALL,
                     std::uint16_t mode = QEV_DELIVER_PACKETS, std::uint8_t flags = 1) {
    const std::int32_t handle =
        Api().StartFilter(pid, &Collector::Take, mode, nullptr, nullptr, flags, &collector);
    EXPECT_GE(handle, 1);
    EXPECT_LE(handle, QEV_FILTER_HANDLE_MAX);
    return handle;
  }
  static std::uint64_t FileSize() {
    return std::filesystem::file_size(TestSky::Folder() / "north_low_v.ts");
  }
};

TEST_F(PlaybackTest, DeliveryFollowsTheStreamsPcrClock) {
  TuneNorth();
  Collector all;
  const std::int32_t handle = Start(all);
  // Over one and a half loops of the file, so the jump back of the PCR is crossed too.
  const double seconds = kStreamSeconds * 1.5;
  ASSERT_TRUE(WaitFor([&] { return all.bytes >= seconds * kStreamBitrate / 8; }));
  Api().StopFilter(handle);

  const auto pcrs = all.Pcrs();
  ASSERT_GT(pcrs.size(), 10u);
  // The rate at which the data came, against the stream's own rate between consecutive PCRs.
  double streamSeconds = 0;
  for (std::size_t i = 1; i < pcrs.size(); ++i)
    if (pcrs[i].pcr27 > pcrs[i - 1].pcr27)
      streamSeconds += double(pcrs[i].pcr27 - pcrs[i - 1].pcr27) / 27e6;
  const double streamBytes = double(pcrs.back().bytesBefore - pcrs.front().bytesBefore);
  const double wallSeconds =
      std::chrono::duration<double>(pcrs.back().wall - pcrs.front().wall).count();
  const double streamRate = streamBytes * 8 / (streamSeconds + 0.04); // + one PCR gap at the loop
  const double deliveredRate = streamBytes * 8 / wallSeconds;
  EXPECT_NEAR(streamRate, double(kStreamBitrate), kStreamBitrate * 0.03);
  EXPECT_NEAR(deliveredRate / streamRate, 1.0, 0.05)
      << "delivered " << deliveredRate << " bit/s, stream " << streamRate << " bit/s";
}

TEST_F(PlaybackTest, FastModePlaysTheFileOnceAsTheFiltersTakeIt) {
  OpenSky(TestSky::DefaultSky(true));
  TuneNorth();
  Collector all;
  const std::int32_t handle = Start(all);
  ASSERT_TRUE(WaitFor([&] { return all.bytes >= FileSize(); }));
  Api().StopFilter(handle);
  EXPECT_EQ(all.bytes, FileSize());
}

TEST_F(PlaybackTest, TheEndOfAFilePlayedOnceIsToldAfterItsLastByte) {
  OpenSky(TestSky::DefaultSky(true));
  TuneNorth();
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_STREAM_ENDED, 0), 0);
  Collector all;
  const std::int32_t handle = Start(all, QEV_PID_ALL, QEV_DELIVER_PACKETS, 0); // batched
  ASSERT_TRUE(WaitFor([&] { return Api().GetDeviceInfo(QEV_INFO_STREAM_ENDED, 0) != 0; }));
  EXPECT_EQ(all.bytes, FileSize());
  Api().StopFilter(handle);
  TuneNorth(); // a new tune plays the file afresh
  EXPECT_EQ(Api().GetDeviceInfo(QEV_INFO_STREAM_ENDED, 0), 0);
}

TEST_F(PlaybackTest, SectionsAndPayloadsComeThroughTheFilters) {
  TuneNorth();
  Collector pat;
  Collector payloads;
  std::uint8_t match[QEV_SECTION_FILTER_BYTES] = {0x00};
  std::uint8_t mask[QEV_SECTION_FILTER_BYTES] = {0xFF};
  const std::int32_t sections =
      Api().StartFilter(0, &Collector::Take, QEV_DELIVER_SECTIONS, match, mask, 1, &pat);
  const std::int32_t pmt = Start(payloads, kPmtPid, QEV_DELIVER_PAYLOADS, 0);
  ASSERT_GE(sections, 1);
  ASSERT_TRUE(WaitFor([&] { return pat.calls >= 2 && payloads.bytes >= 2 * 184; }));
  Api().StopFilter(sections);
  Api().StopFilter(pmt);
  EXPECT_EQ(payloads.bytes % 184, 0u);
}

TEST_F(PlaybackTest, NoDataWhileTheLockIsLost) {
  TuneNorth();
  Collector all;
  const std::int32_t handle = Start(all);
  ASSERT_TRUE(WaitFor([&] { return all.calls > 0; }));
  Module().LoseLock(true);
  const int before = all.calls;
  Collector probe; // a new filter sees nothing either, while the first sees nothing more
  const std::int32_t second = Start(probe);
  Module().LoseLock(false);
  ASSERT_TRUE(WaitFor([&] { return probe.calls > 0; }));
  EXPECT_GT(all.calls, before);
  Api().StopFilter(second);
  Api().StopFilter(handle);
}

TEST_F(PlaybackTest, ReceptionMessagesFollowTheSlotsPids) {
  TuneNorth();
  ASSERT_EQ(Api().SetChannelPids(0, kAudioPid, kVideoPid, kVideoPid, 7 + 16), 0);
  EXPECT_TRUE(Module().WaitForReception(0x13));
  ASSERT_EQ(Api().SetChannelPids(1, kAudioPid, 0x1FFF, 0x1FFF, 7 + 16), 0);
  EXPECT_TRUE(Module().WaitForReception(0x21));
  Module().LoseLock(true);
  EXPECT_TRUE(WaitFor([this] {
    const auto values = Module().Receptions();
    return std::count(values.begin(), values.end(), 0x10) > 0 &&
           std::count(values.begin(), values.end(), 0x20) > 0;
  }));
}

TEST_F(PlaybackTest, AvSlotDeliveryCarriesOnlyTheSlotsPids) {
  TuneNorth();
  Api().SetChannelPids(0, kAudioPid, 0x1FFF, 0x1FFF, 7);
  Collector slot;
  const std::int32_t handle = Start(slot, QEV_PID_ALL, QEV_DELIVER_AV_SLOT(0), 1);
  ASSERT_TRUE(WaitFor([&] { return slot.calls >= 3; }));
  Api().StopFilter(handle);
  EXPECT_TRUE(slot.Pcrs().empty()); // no packet of the video PID
}

} // namespace
} // namespace qev::sim::test
