// Dev_Sim.int broadcasting a transponder live from its description, as a program's filter on
// all PIDs sees it: paced in real time, continuous, with the wall clock in its tables.
#include "sim/test_sky.h"
#include "stream_check.h"
#include "ts_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace qev::sim::test {
namespace {

using tsgen::test::Bytes;
using tsgen::test::Read16;
using tsgen::test::StreamCheck;
using tsgen::test::TsReader;

constexpr const char *kDescription = R"([transponder]
tsid = 0x0061
frequency = 10788000
polarisation = V
symbol_rate = 27500000
start = 2024-03-01 00:00:00
bitrate = 1000000
[service]
id = 0x0062
pmt = 0x0100
pcr = 0x0101
name = Live One
[stream]
kind = mpeg2
pid = 0x0101
[stream]
kind = mpa
pid = 0x0102
[event]
id = 7
start = 2024-03-01 00:00:00
duration = 86400
name = All Day
repeat_days = 1
)";

std::int64_t WallSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t ReadUtc(const Bytes &s, std::size_t at) {
  const auto bcd = [&](std::size_t i) { return (s[i] >> 4) * 10 + (s[i] & 0x0F); };
  return (std::int64_t{Read16(s, at)} - 40587) * 86400 + bcd(at + 2) * 3600 + bcd(at + 3) * 60 +
         bcd(at + 4);
}

struct Recorder {
  std::mutex mutex;
  Bytes bytes;
  std::vector<std::pair<std::size_t, std::int64_t>> arrivals; // size before, wall seconds

  static void Take(const std::uint8_t *data, std::int32_t length, void *context) {
    auto &self = *static_cast<Recorder *>(context);
    std::lock_guard lock(self.mutex);
    self.arrivals.push_back({self.bytes.size(), WallSeconds()});
    self.bytes.insert(self.bytes.end(), data, data + length);
  }
  std::size_t Size() {
    std::lock_guard lock(mutex);
    return bytes.size();
  }
};

class LivePlayback : public SimDeviceTest {
protected:
  void OpenLiveSky(bool fast) {
    TestSky::WriteSky("live.txt", kDescription);
    OpenSky(std::string("[Sky]\nFast=") + (fast ? "1" : "0") +
            "\n[North]\nCommitted=1\nTP1=10788000,V,27500000,live.txt,80,90,0\n");
    Send({0xE0, 0x10, 0x38, 0xF0});
    TuneAndLock(Request(10788000, 'V', 27500000));
  }
  // What a filter on all PIDs gets until `bytes` have come.
  void Record(Recorder &recorder, std::size_t bytes) {
    const std::int32_t handle = Api().StartFilter(QEV_PID_ALL, &Recorder::Take, QEV_DELIVER_PACKETS,
                                                  nullptr, nullptr, 1, &recorder);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(WaitFor([&] { return recorder.Size() >= bytes; }));
    Api().StopFilter(handle);
  }
};

TEST_F(LivePlayback, TheTablesShowTheWallClockAndTheEventOnAir) {
  OpenLiveSky(false);
  Recorder recorder;
  const auto start = std::chrono::steady_clock::now();
  Record(recorder, 3 * 1'000'000 / 8); // three seconds
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 2.0) << "paced in real time";

  const StreamCheck check = StreamCheck::Of(recorder.bytes);
  EXPECT_TRUE(check.continuityErrors.empty()) << check.continuityErrors.front();
  EXPECT_TRUE(check.pcrErrors.empty());
  EXPECT_LT(check.largestPcrIntervalMs, 40.0);

  const TsReader reader(recorder.bytes);
  const auto tdts = reader.Sections(0x0014);
  ASSERT_FALSE(tdts.empty());
  for (const Bytes &s : tdts) {
    if (s[0] == 0x70) {
      EXPECT_LE(std::llabs(ReadUtc(s, 3) - WallSeconds()), 5) << "within the test's run";
    }
  }
  const Bytes present = reader.FirstSection(0x0012, 0x4E, 0x0062);
  ASSERT_GT(present.size(), 26u);
  const std::int64_t eventStart = ReadUtc(present, 16);
  EXPECT_LE(eventStart, WallSeconds());
  EXPECT_GT(eventStart + 86400, WallSeconds());
}

TEST_F(LivePlayback, FastModeRunsOnWithoutEnd) {
  OpenLiveSky(true);
  Recorder recorder;
  Record(recorder, 20 * 1'000'000 / 8); // twenty seconds of stream
  const StreamCheck check = StreamCheck::Of(recorder.bytes);
  EXPECT_TRUE(check.continuityErrors.empty());
  EXPECT_TRUE(check.pcrErrors.empty());
  const TsReader reader(recorder.bytes);
  for (const Bytes &s : reader.Sections(0x0014)) {
    if (s[0] == 0x70) {
      EXPECT_LE(std::llabs(ReadUtc(s, 3) - WallSeconds()), 5) << "the wall clock, not the stream's";
    }
  }
}

TEST_F(LivePlayback, ADescriptionThatCannotBeBroadcastStaysSilentAndSaysWhy) {
  std::string broken = kDescription;
  broken.replace(broken.find("pid = 0x0102"), 12, "pid = 0x0011");
  TestSky::WriteSky("broken.txt", broken);
  OpenSky("[Sky]\n[North]\nCommitted=1\nTP1=10788000,V,27500000,broken.txt,80,90,0\n");
  Send({0xE0, 0x10, 0x38, 0xF0});
  TuneAndLock(Request(10788000, 'V', 27500000));
  EXPECT_TRUE(WaitFor([this] {
    for (const std::string &line : Module().Journal())
      if (line.find("Silent transponder:") != std::string::npos &&
          line.find("reserved for the SDT") != std::string::npos)
        return true;
    return false;
  }));
}

} // namespace
} // namespace qev::sim::test
