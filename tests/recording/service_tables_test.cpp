#include "recording/recorder_fixture.h"

#include "recording/record_name.h"
#include "recording/service_tables.h"

namespace qev::recording::test {
namespace {

using namespace std::chrono_literals;

std::uint16_t PidOf(const Bytes &ts, std::size_t packet) {
  return static_cast<std::uint16_t>(((ts[packet * 188 + 1] & 0x1F) << 8) | ts[packet * 188 + 2]);
}

std::vector<std::uint16_t> Pids(const Bytes &ts) {
  std::vector<std::uint16_t> out;
  for (std::size_t i = 0; i < ts.size() / 188; ++i)
    out.push_back(PidOf(ts, i));
  return out;
}

class ServiceTablesTest : public RecorderTest {
protected:
  Bytes Record(const std::function<void()> &deliver) {
    TRecorder &recorder = Recorder();
    EXPECT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, false));
    const std::string file = recorder.Slots()[0].FirstFile;
    deliver();
    recorder.RecStopAll();
    return ReadAll(file);
  }
};

TEST_F(ServiceTablesTest, AChannelRecordingStartsWithAPatForItsService) {
  const Bytes ts = Record([&] { source_.Deliver(0x100, Packets(0x100, 3)); });
  EXPECT_EQ(Pids(ts), (std::vector<std::uint16_t>{0, 0x100, 0x100, 0x100}));
  EXPECT_EQ(CheckTs(ts), "");
  // The PAT names the channel's service and its broadcast PMT, which is recorded.
  const Bytes pat = PatSection(1, 0x77, 0x20);
  EXPECT_TRUE(std::equal(pat.begin(), pat.end(), ts.begin() + 5));
  EXPECT_EQ(si::Crc32Mpeg(pat), 0u);
}

TEST_F(ServiceTablesTest, APmtIsAddedWhenTheBroadcastOneIsNotRecorded) {
  options_.Record_PMT = false;
  const Bytes ts = Record([&] { source_.Deliver(0x101, Packets(0x101, 1)); });
  EXPECT_EQ(Pids(ts), (std::vector<std::uint16_t>{0, 0x20, 0x101}));
  EXPECT_EQ(CheckTs(ts, {0, 0x20}), "");
  const Bytes pmt(ts.begin() + 188 + 5,
                  ts.begin() + 188 + 5 + 3 + ((ts[188 + 6] & 0x0F) << 8 | ts[188 + 7]));
  EXPECT_EQ(pmt[0], 0x02);
  EXPECT_EQ((pmt[3] << 8) | pmt[4], 0x77);           // program number
  EXPECT_EQ(((pmt[8] & 0x1F) << 8) | pmt[9], 0x100); // PCR PID
  EXPECT_EQ(pmt.size(), 12u + 2 * 5 + 4);            // video and audio, no descriptors
  EXPECT_EQ(pmt[12], 2);                             // MPEG-2 video on 0x100
  EXPECT_EQ(((pmt[13] & 0x1F) << 8) | pmt[14], 0x100);
  EXPECT_EQ(pmt[17], 3); // MPEG audio on 0x101
}

TEST_F(ServiceTablesTest, TheTablesComeAgainEveryHalfSecondBetweenBlocks) {
  const Bytes ts = Record([&] {
    source_.Deliver(0x100, Packets(0x100, 2, 0));
    Advance(499ms);
    source_.Deliver(0x100, Packets(0x100, 2, 2));
    Advance(1ms);
    source_.Deliver(0x100, Packets(0x100, 2, 4));
  });
  EXPECT_EQ(Pids(ts), (std::vector<std::uint16_t>{0, 0x100, 0x100, 0x100, 0x100, 0, 0x100, 0x100}));
  EXPECT_EQ(CheckTs(ts), ""); // the PAT's own counter runs on
}

TEST_F(ServiceTablesTest, NoTablesOfOursWhenTheBroadcastPatIsRecorded) {
  options_.Record_PAT = true;
  const Bytes ts = Record([&] { source_.Deliver(0x100, Packets(0x100, 2)); });
  EXPECT_EQ(ts, Packets(0x100, 2));
}

TEST_F(ServiceTablesTest, EveryPartStartsWithTheTables) {
  options_.FileSplitSize = 3 * 188;
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, false));
  const auto view = recorder.Slots()[0];
  for (int i = 0; i < 4; ++i)
    source_.Deliver(0x100, Packets(0x100, 2, 2 * i));
  recorder.RecStopAll();
  for (int part = 0; part < 4; ++part) {
    const Bytes ts = ReadAll(std::filesystem::path(view.Folder) /
                             RecFileName(view.BaseName, part, view.Extension));
    ASSERT_EQ(ts.size(), 3u * 188) << part;
    EXPECT_EQ(PidOf(ts, 0), 0) << part;
    EXPECT_EQ(CheckTs(ts), "") << part;
  }
}

TEST(ServiceTables, NoneForPayloadsOrTheWholeStream) {
  const auto clock = [] { return std::chrono::steady_clock::time_point(); };
  const data::TChannelRec channel = TestChannel();
  EXPECT_EQ(TServiceTables::For(channel, {{0x2000, 188}}, clock), nullptr);
  EXPECT_EQ(TServiceTables::For(channel, {{0x100, 1}}, clock), nullptr);
  EXPECT_EQ(TServiceTables::For(channel, {{0, 0xD0}}, clock), nullptr);
  EXPECT_NE(TServiceTables::For(channel, {{0x100, 0x13}}, clock), nullptr);
}

} // namespace
} // namespace qev::recording::test
