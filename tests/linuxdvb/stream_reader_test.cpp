// The dvr reader: packets cut out of pieces of any size, overflows survived, and the stream
// delivered exactly as the simulated sky delivers the same file.
#include "dvr_reader.h"
#include "linuxdvb/dvb_fixture.h"
#include "sim/sim_module.h"
#include "sim/test_sky.h"

#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace qev::linuxdvb::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::test::WaitFor;

Bytes NumberedPackets(int count) {
  Bytes stream;
  for (int i = 0; i < count; ++i) {
    Bytes packet(QEV_PACKET_SIZE, static_cast<std::uint8_t>(i));
    packet[0] = 0x47;
    packet[1] = 0x01;
    packet[2] = static_cast<std::uint8_t>(i);
    stream.insert(stream.end(), packet.begin(), packet.end());
  }
  return stream;
}

// Piece sizes that never fall on a packet boundary for long.
constexpr std::size_t kPieces[] = {1, 187, 189, 5000, 3, 393, 188, 64, 1000};

template <class Push> void InPieces(const Bytes &stream, Push push) {
  std::size_t pos = 0;
  for (std::size_t i = 0; pos < stream.size(); ++i) {
    const std::size_t size = std::min(kPieces[i % std::size(kPieces)], stream.size() - pos);
    push(std::span(stream).subspan(pos, size));
    pos += size;
  }
}

TEST(PacketAligner, PiecesOfAnySizeBecomeTheWholePackets) {
  const Bytes stream = NumberedPackets(40);
  Bytes garbage{0x12, 0x47, 0x47, 0x00, 0x47};
  garbage.insert(garbage.end(), stream.begin(), stream.end());
  TPacketAligner aligner;
  Bytes out;
  InPieces(garbage, [&](std::span<const std::uint8_t> piece) {
    aligner.Push(piece, [&](std::span<const std::uint8_t> packets) {
      EXPECT_EQ(packets.size() % QEV_PACKET_SIZE, 0u);
      out.insert(out.end(), packets.begin(), packets.end());
    });
  });
  EXPECT_EQ(out, stream);
}

TEST(PacketAligner, LostSyncIsFoundAgainAndAResetDropsTheBrokenPacket) {
  const Bytes stream = NumberedPackets(10);
  Bytes damaged(stream.begin(), stream.begin() + 3 * 188 + 50); // packet 3 cut short
  damaged.insert(damaged.end(), stream.begin() + 5 * 188, stream.end());
  TPacketAligner aligner;
  Bytes out;
  const auto sink = [&](std::span<const std::uint8_t> packets) {
    out.insert(out.end(), packets.begin(), packets.end());
  };
  aligner.Push(damaged, sink);
  Bytes expected(stream.begin(), stream.begin() + 3 * 188);
  expected.insert(expected.end(), stream.begin() + 5 * 188, stream.end());
  EXPECT_EQ(out, expected);

  // After a reset the rest of a packet in hand is not glued to what follows.
  out.clear();
  aligner.Push(std::span(stream).first(100), sink);
  aligner.Reset();
  aligner.Push(std::span(stream).subspan(2 * 188), sink);
  EXPECT_EQ(out, Bytes(stream.begin() + 2 * 188, stream.end()));
}

// What one filter was handed, call by call.
struct Collector {
  std::mutex mutex;
  std::vector<Bytes> calls;
  static void Take(const std::uint8_t *data, std::int32_t length, void *context) {
    auto &self = *static_cast<Collector *>(context);
    std::lock_guard lock(self.mutex);
    self.calls.emplace_back(data, data + length);
  }
  Bytes Joined() {
    std::lock_guard lock(mutex);
    Bytes all;
    for (const Bytes &call : calls)
      all.insert(all.end(), call.begin(), call.end());
    return all;
  }
  std::vector<Bytes> Calls() {
    std::lock_guard lock(mutex);
    return calls;
  }
};

// The filters the program typically holds at once: the whole stream for a recording, the
// video PID's payloads, and the PAT and PMT as sections.
struct FilterSet {
  Collector whole, video, pat, pmt;
  std::uint8_t patMatch[QEV_SECTION_FILTER_BYTES] = {0x00};
  std::uint8_t pmtMatch[QEV_SECTION_FILTER_BYTES] = {0x02};
  std::uint8_t mask[QEV_SECTION_FILTER_BYTES] = {0xFF};

  template <class Start> void StartAll(Start start) {
    ASSERT_GT(
        start(QEV_PID_ALL, &Collector::Take, QEV_DELIVER_PACKETS, nullptr, nullptr, 0, &whole), 0);
    ASSERT_GT(start(sim::test::kVideoPid, &Collector::Take, QEV_DELIVER_PAYLOADS, nullptr, nullptr,
                    0, &video),
              0);
    ASSERT_GT(start(0x0000, &Collector::Take, QEV_DELIVER_SECTIONS, patMatch, mask, 1, &pat), 0);
    ASSERT_GT(
        start(sim::test::kPmtPid, &Collector::Take, QEV_DELIVER_SECTIONS, pmtMatch, mask, 1, &pmt),
        0);
  }
};

Bytes ReadFile(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

void PlayThroughSimulator(const std::filesystem::path &stream, FilterSet &filters) {
  using sim::test::SimModule;
  const DeviceInterface &api = SimModule::Get().Api();
  const auto sky = sim::test::TestSky::WriteSky(
      "reader_sky.ini", "[Sky]\nName=Reader\nFast=1\nLnbLow=9750000\nLnbHigh=10600000\n"
                        "[North]\nCommitted=1\nTP1=10788000,V,27500000," +
                            stream.filename().string() + ",80,90,0\n");
  SimModule::Get().SetSkyFile(sky.string());
  ASSERT_EQ(api.OpenDevice(), 0);
  const std::uint8_t port1[] = {0xE0, 0x10, 0x38, 0xF0};
  ASSERT_EQ(api.SendDiseqc(port1, 4, 0), 0);
  filters.StartAll(api.StartFilter);
  const TuneRequest request = sim::test::Request(10788000, 'V', 27500000);
  ASSERT_EQ(api.Tune(&request), 0);
  EXPECT_TRUE(WaitFor([&] { return api.GetDeviceInfo(QEV_INFO_STREAM_ENDED, 0) != 0; }));
  api.CloseDevice();
}

using DvrReading = DvbDeviceTest;

TEST_F(DvrReading, DeliversExactlyWhatTheSimulatedSkyDeliversForTheSameFile) {
  const auto stream = sim::test::TestSky::Stream("reader.ts", 0x51);
  const Bytes bytes = ReadFile(stream);
  ASSERT_GT(bytes.size(), 100u * 188);
  FilterSet simulated;
  PlayThroughSimulator(stream, simulated);

  OpenQuietly();
  FilterSet read;
  read.StartAll([&](auto... args) { return Device().StartFilter(args...); });
  std::thread writer([&] {
    InPieces(bytes, [&](std::span<const std::uint8_t> piece) {
      ASSERT_EQ(::write(kernel.DvrWriteEnd(), piece.data(), piece.size()),
                static_cast<ssize_t>(piece.size()));
    });
    kernel.CloseDvrWriteEnd();
  });
  writer.join();
  ASSERT_TRUE(WaitFor([&] { return read.whole.Joined().size() == bytes.size(); }));
  Device().Close();

  EXPECT_EQ(read.whole.Joined(), bytes);
  EXPECT_EQ(simulated.whole.Joined(), bytes);
  EXPECT_EQ(read.video.Joined(), simulated.video.Joined());
  EXPECT_GT(read.video.Joined().size(), 0u);
  EXPECT_EQ(read.pat.Calls(), simulated.pat.Calls());
  EXPECT_EQ(read.pmt.Calls(), simulated.pmt.Calls());
  EXPECT_GT(read.pmt.Calls().size(), 0u);
  EXPECT_EQ(Device().Reader().Overflows(), 0u);
}

TEST_F(DvrReading, AnOverflowIsCountedAndReadingGoesOn) {
  const Bytes stream = NumberedPackets(30);
  OpenQuietly();
  Collector whole;
  ASSERT_GT(Device().StartFilter(QEV_PID_ALL, &Collector::Take, QEV_DELIVER_PACKETS, nullptr,
                                 nullptr, 1, &whole),
            0);
  const std::size_t before = 10 * 188 + 90; // packet 10 is cut by the overflow
  ASSERT_EQ(::write(kernel.DvrWriteEnd(), stream.data(), before), static_cast<ssize_t>(before));
  ASSERT_TRUE(WaitFor([&] { return Device().Reader().BytesRead() == before; }));
  kernel.OverflowNextRead();
  const std::size_t after = 20 * 188;
  ASSERT_EQ(::write(kernel.DvrWriteEnd(), stream.data() + after, stream.size() - after),
            static_cast<ssize_t>(stream.size() - after));
  Bytes expected(stream.begin(), stream.begin() + 10 * 188);
  expected.insert(expected.end(), stream.begin() + after, stream.end());
  EXPECT_TRUE(WaitFor([&] { return whole.Joined().size() >= expected.size(); }));
  EXPECT_EQ(whole.Joined(), expected);
  EXPECT_EQ(Device().Reader().Overflows(), 1u);
  EXPECT_THAT(Log(), ::testing::ElementsAre("2 The dvr buffer overflowed: packets were lost"));
}

TEST_F(DvrReading, AReadThatFailsEndsReadingWithTheReason) {
  OpenQuietly();
  kernel.Fail("read", EIO);
  const Bytes stream = NumberedPackets(2);
  ASSERT_EQ(::write(kernel.DvrWriteEnd(), stream.data(), stream.size()),
            static_cast<ssize_t>(stream.size()));
  EXPECT_TRUE(WaitFor([&] { return !Log().empty(); }));
  EXPECT_THAT(Log(), ::testing::ElementsAre("2 Reading the dvr device failed: Input/output error"));
  Device().Close();
  EXPECT_EQ(kernel.OpenCount(), 0u);
}

// The program may close the device from inside a data callback.
TEST_F(DvrReading, ClosingFromInsideACallbackNeitherHangsNorCrashes) {
  OpenQuietly();
  struct Closer {
    TDvbDevice *device;
    std::atomic<int> calls{0};
    static void Take(const std::uint8_t *, std::int32_t, void *context) {
      auto &self = *static_cast<Closer *>(context);
      if (self.calls++ == 0)
        self.device->Close();
    }
  } closer{&Device()};
  ASSERT_GT(Device().StartFilter(QEV_PID_ALL, &Closer::Take, QEV_DELIVER_PACKETS, nullptr, nullptr,
                                 1, &closer),
            0);
  const Bytes stream = NumberedPackets(20);
  ASSERT_EQ(::write(kernel.DvrWriteEnd(), stream.data(), stream.size()),
            static_cast<ssize_t>(stream.size()));
  EXPECT_TRUE(WaitFor([&] { return closer.calls > 0; }));
  ASSERT_EQ(Device().Open(), 0); // waits for the reader that was told to end
  EXPECT_EQ(closer.calls, 1);
}

} // namespace
} // namespace qev::linuxdvb::test
