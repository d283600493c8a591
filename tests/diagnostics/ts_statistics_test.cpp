#include "diagnostics/packet_builder.h"
#include "diagnostics/stat_list.h"
#include "diagnostics/ts_classify.h"
#include "diagnostics/ts_statistics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace qev::diagnostics {
namespace {

using test::MakePacket;
using test::PesStart;
using test::TPacketSpec;

std::int16_t ClassifyBytes(std::vector<std::uint8_t> payload, int adaptation = -1) {
  return Classify(MakePacket({.adaptationLength = adaptation, .bytes = std::move(payload)}).data());
}

TEST(ClassifyTest, PesKindsByStreamId) {
  EXPECT_EQ(ClassifyBytes(PesStart(0xE0)), kTypeVideo);
  EXPECT_EQ(ClassifyBytes(PesStart(0xEF)), kTypeVideo);
  EXPECT_EQ(ClassifyBytes(PesStart(0xC0)), kTypeAudio);
  EXPECT_EQ(ClassifyBytes(PesStart(0xDF)), kTypeAudio);
  EXPECT_EQ(ClassifyBytes(PesStart(0xBF)), kTypePrivate2);
  EXPECT_EQ(ClassifyBytes(PesStart(0xBD)), kTypePrivate1);
  EXPECT_EQ(ClassifyBytes(PesStart(0xBD, 0x24)), kTypeTeletext);
  EXPECT_EQ(ClassifyBytes(PesStart(0xFA)), kTypeOtherPesBase + 0xFA);
  EXPECT_EQ(DataTypeText(kTypeOtherPesBase + 0xFA), "PES 0xFA");
  EXPECT_EQ(DataTypeText(kTypeTeletext), "PES TTX");
  EXPECT_EQ(DataTypeText(kTypeScrambled), "Scrambled");
  EXPECT_EQ(DataTypeText(kTypeUnknown), "Unknow");
}

TEST(ClassifyTest, Ac3SyncIsSoughtInThePayloadOnly) {
  EXPECT_EQ(ClassifyBytes({0, 0, 1, 0xBD, 0, 0, 0x80, 0x80, 5, 0, 0, 0, 0, 0, 0x0B, 0x77}),
            kTypeAc3);
  // The sync word at the very end of the packet still counts.
  auto tail = MakePacket({.bytes = PesStart(0xBD)});
  tail[186] = 0x0B;
  tail[187] = 0x77;
  EXPECT_EQ(Classify(tail.data()), kTypeAc3);
  // 0x0B 0x77 in the adaptation field is no AC-3.
  auto packet = MakePacket({.adaptationLength = 3, .bytes = PesStart(0xBD)});
  packet[6] = 0x0B;
  packet[7] = 0x77;
  EXPECT_EQ(Classify(packet.data()), kTypePrivate1);
}

TEST(ClassifyTest, SectionsFollowAZeroPointerField) {
  EXPECT_EQ(ClassifyBytes({0, 0x00, 0xB0}), kTypeTableBase + 0x00);
  EXPECT_EQ(DataTypeText(kTypeTableBase), "SI PAT");
  // A non-zero pointer field is not classified.
  EXPECT_EQ(ClassifyBytes({3, 0, 0, 0, 0x02}), kTypeUnknown);
}

TEST(ClassifyTest, EveryTableName) {
  const std::pair<int, const char *> names[] = {
      {0x00, "PAT"},      {0x01, "CAT"},     {0x02, "PMT"}, {0x40, "NIT"},      {0x41, "NIT"},
      {0x42, "SDT"},      {0x46, "SDT"},     {0x4A, "BAT"}, {0x4E, "EIT"},      {0x4F, "EIT"},
      {0x50, "EIT"},      {0x6F, "EIT"},     {0x70, "TDT"}, {0x71, "RST"},      {0x72, "ST"},
      {0x73, "TOT"},      {0x7E, "DIT"},     {0x7F, "SIT"}, {0x80, "ECM"},      {0x81, "ECM"},
      {0x83, "ECM"},      {0x84, "ECM"},     {0x82, "EMM"}, {0x03, "Reserved"}, {0x4B, "Reserved"},
      {0x85, "Reserved"}, {0xFF, "Reserved"}};
  for (const auto &[id, name] : names)
    EXPECT_STREQ(TableName(static_cast<std::uint8_t>(id)), name) << id;
}

TEST(ClassifyTest, AdaptationFieldsMoveThePayload) {
  EXPECT_EQ(ClassifyBytes(PesStart(0xE0), 7), kTypeVideo);
  EXPECT_EQ(ClassifyBytes(PesStart(0xBD, 0x24), 100), kTypeTeletext);
  // A field of 180 leaves a payload; one longer than that leaves too little to tell.
  auto packet = MakePacket({.adaptationLength = 179, .bytes = {0, 0x42}});
  EXPECT_EQ(Classify(packet.data()), kTypeTableBase + 0x42);
  packet[4] = 181;
  EXPECT_EQ(Classify(packet.data()), kTypeUnknown);
  // No payload flag: nothing to classify.
  EXPECT_EQ(Classify(MakePacket({.payload = false, .adaptationLength = 10}).data()), kTypeUnknown);
}

TEST(TsStatisticsTest, ClassifiesOnceAtTheFirstUsableStartPacket) {
  TTsStatistics stats;
  std::vector<std::uint8_t> block;
  test::Append(block, MakePacket({.pid = 0x20, .start = false, .bytes = PesStart(0xE0)}));
  test::Append(block, MakePacket({.pid = 0x20, .cc = 1, .bytes = {2, 0, 0, 0x42}}));
  EXPECT_EQ(stats.Pid(0x20).ClassState, 1);
  stats.CountPackets(block);
  EXPECT_EQ(stats.Pid(0x20).ClassState, 1) << "waits for a start packet it can read";
  block.clear();
  test::Append(block, MakePacket({.pid = 0x20, .cc = 2, .bytes = {0, 0x42}}));
  test::Append(block, MakePacket({.pid = 0x20, .cc = 3, .bytes = PesStart(0xE0)}));
  stats.CountPackets(block);
  EXPECT_EQ(stats.Pid(0x20).ClassState, 2);
  EXPECT_EQ(stats.Pid(0x20).DataType, kTypeTableBase + 0x42);
  EXPECT_EQ(stats.Pid(0x20).PacketCount, 4u);
  EXPECT_EQ(stats.TotalPackets(), 4u);
}

TEST(TsStatisticsTest, ScrambledFirstStaysScrambled) {
  TTsStatistics stats;
  std::vector<std::uint8_t> block;
  test::Append(block, MakePacket({.pid = 0x30, .scrambling = 2, .bytes = PesStart(0xE0)}));
  test::Append(block, MakePacket({.pid = 0x30, .cc = 1, .bytes = PesStart(0xE0)}));
  // A partial packet at the end of a block is ignored.
  block.resize(block.size() + 100, 0x47);
  stats.CountPackets(block);
  EXPECT_EQ(stats.Pid(0x30).DataType, kTypeScrambled);
  EXPECT_EQ(stats.Pid(0x30).ScrambledCount, 1u);
  EXPECT_EQ(stats.Pid(0x30).PacketCount, 2u);
  EXPECT_EQ(stats.TotalPackets(), 2u);
  stats.Reset();
  EXPECT_EQ(stats.Pid(0x30).PacketCount, 0u);
  EXPECT_EQ(stats.Pid(0x30).ClassState, 1);
  EXPECT_EQ(stats.Pid(0x30).DataType, 0);
}

TEST(TsStatisticsTest, ContinuityErrorsAllowOneRepetitionAndAdaptationOnlyPackets) {
  TTsStatistics stats;
  std::vector<std::uint8_t> block;
  for (int cc : {0, 1, 1, 2, 4, 5, 5, 5, 6})
    test::Append(block, MakePacket({.pid = 0x40, .start = false, .cc = cc}));
  // An adaptation-only packet repeats the counter without an error.
  test::Append(
      block,
      MakePacket(
          {.pid = 0x40, .start = false, .cc = 6, .payload = false, .adaptationLength = 183}));
  test::Append(block, MakePacket({.pid = 0x40, .start = false, .cc = 7}));
  stats.CountPackets(block);
  // 2 -> 4 skips one; the third 5 is one repetition too many.
  EXPECT_EQ(stats.Pid(0x40).CcErrors, 2u);
}

TEST(TsStatisticsTest, RatesAtSixtyMegabitsDoNotOverflow) {
  TTsStatistics stats;
  // 60 Mbit/s for 2 s: 79,787 packets a second.
  const std::uint32_t packets = 60'000'000 / 8 / 188 * 2;
  std::vector<std::uint8_t> block;
  const auto packet = MakePacket({.pid = 0x100, .start = false});
  for (std::uint32_t i = 0; i < packets; ++i) {
    test::Append(block, packet);
    block[block.size() - 185] = static_cast<std::uint8_t>(0x10 | (i & 0xF));
  }
  stats.CountPackets(block);
  ASSERT_TRUE(stats.ComputeRates(2000));
  const double expected = packets * 188.0 / 2 / 1024;
  EXPECT_NEAR(stats.Rate(0x100).RateKBs, expected, 0.01);
  EXPECT_NEAR(stats.TotalRateKBs(), expected, 0.01);
  EXPECT_NEAR(stats.MaxRateKBs(), expected, 0.01);
  EXPECT_EQ(stats.Pid(0x100).CcErrors, 0u);
  EXPECT_FALSE(stats.ComputeRates(0)) << "no time passed: nothing computed";
  ASSERT_TRUE(stats.ComputeRates(1000));
  EXPECT_EQ(stats.Rate(0x100).RateKBs, 0);
}

// The stream's own rate from two PCRs 0.1 s apart with 1000 packets between them.
TEST(TsStatisticsTest, PcrBitRate) {
  TTsStatistics stats;
  auto pcrPacket = [](std::uint64_t pcr, int cc) {
    auto p = MakePacket({.pid = 0x101, .start = false, .cc = cc, .adaptationLength = 7});
    const std::uint64_t base = pcr / 300, ext = pcr % 300;
    p[5] = 0x10;
    p[6] = static_cast<std::uint8_t>(base >> 25);
    p[7] = static_cast<std::uint8_t>(base >> 17);
    p[8] = static_cast<std::uint8_t>(base >> 9);
    p[9] = static_cast<std::uint8_t>(base >> 1);
    p[10] = static_cast<std::uint8_t>((base & 1) << 7 | 0x7E | ext >> 8);
    p[11] = static_cast<std::uint8_t>(ext);
    return p;
  };
  std::vector<std::uint8_t> block;
  EXPECT_FALSE(stats.PcrBitRate());
  test::Append(block, pcrPacket(27'000'000, 0));
  for (int i = 0; i < 999; ++i)
    test::Append(block, MakePacket({.pid = 0x1FFF, .start = false}));
  test::Append(block, pcrPacket(27'000'000 + 2'700'000, 1));
  stats.CountPackets(block);
  ASSERT_TRUE(stats.PcrBitRate());
  EXPECT_NEAR(*stats.PcrBitRate(), 1000 * 188 * 8 / 0.1, 1);
}

// The delivery thread counts while the window's timer computes and lists.
TEST(TsStatisticsTest, CountingRacesNothingWithTheRefresh) {
  auto stats = std::make_unique<TTsStatistics>();
  std::vector<std::uint8_t> block;
  for (int i = 0; i < 64; ++i)
    test::Append(block, MakePacket({.pid = static_cast<std::uint16_t>(0x100 + i % 8),
                                    .scrambling = i % 3 == 0 ? 2 : 0,
                                    .cc = i / 8,
                                    .bytes = PesStart(0xE0)}));
  std::atomic<bool> stop{false};
  std::thread device([&] {
    while (!stop)
      stats->CountPackets(block);
  });
  TStatList list;
  for (int i = 0; i < 200; ++i) {
    stats->ComputeRates(1 + i);
    list.Refresh(*stats);
  }
  stop = true;
  device.join();
  list.Refresh(*stats);
  EXPECT_EQ(list.Rows().size(), 8u);
}

TEST(StatListTest, ShowsPidsWithPacketsSortedByTheChosenColumn) {
  TTsStatistics stats;
  std::vector<std::uint8_t> block;
  const std::pair<std::uint16_t, int> load[] = {{0x12, 3}, {0x100, 1}, {0x0, 2}};
  for (const auto &[pid, n] : load)
    for (int i = 0; i < n; ++i)
      test::Append(block,
                   MakePacket({.pid = pid,
                               .cc = i,
                               .bytes = pid == 0x100 ? PesStart(0xE0)
                                                     : std::vector<std::uint8_t>{
                                                           0, std::uint8_t(pid == 0 ? 0 : 0x4E)}}));
  stats.CountPackets(block);
  stats.ComputeRates(1000);
  TStatList list;
  list.Refresh(stats);
  auto pids = [&list] {
    std::vector<std::uint16_t> out;
    for (const TStatRow &r : list.Rows())
      out.push_back(r.Pid);
    return out;
  };
  EXPECT_EQ(pids(), (std::vector<std::uint16_t>{0x12, 0x0, 0x100})) << "rate, highest first";
  list.SortBy(TStatColumn::Pid);
  EXPECT_EQ(pids(), (std::vector<std::uint16_t>{0x100, 0x12, 0x0})) << "keeps the direction";
  list.SortBy(TStatColumn::Pid);
  EXPECT_EQ(pids(), (std::vector<std::uint16_t>{0x0, 0x12, 0x100})) << "a second click turns";
  // Low byte of the type: PAT 0x00, video 0x01, EIT 0x4E.
  list.SortBy(TStatColumn::DataType);
  EXPECT_EQ(pids(), (std::vector<std::uint16_t>{0x0, 0x100, 0x12}));
  EXPECT_EQ(PidText(0x12), "0012");
  EXPECT_EQ(RowTypeText(list.Rows()[0]), "SI PAT");
  EXPECT_EQ(RowTypeText(TStatRow{.ClassState = 1}), "?");
  EXPECT_EQ(RowTypeText(TStatRow{.ClassState = 0}), "-");
  EXPECT_EQ(RateText(list.Rows()[2].RateKBs), "0.6");
}

TEST(StatListTest, BarGeometrySplitsScrambledAndClear) {
  const TRect cell{10, 0, 248, 20}; // bar area: 248 - 40 - 4 - 8 = 196 pixels
  const TRateCell full =
      RateCellGeometry(cell, TStatRow{.RateKBs = 50, .Packets = 10, .Scrambled = 10}, 50);
  EXPECT_EQ(full.Text, (TRect{10, 0, 40, 20}));
  EXPECT_EQ(full.Scrambled, (TRect{58, 4, 196, 12}));
  EXPECT_EQ(full.Clear.Width, 0);
  const TRateCell half =
      RateCellGeometry(cell, TStatRow{.RateKBs = 25, .Packets = 10, .Scrambled = 5}, 50);
  EXPECT_EQ(half.Scrambled.Width, 49);
  EXPECT_EQ(half.Clear, (TRect{58 + 49, 4, 49, 12}));
  const TRateCell clear = RateCellGeometry(cell, TStatRow{.RateKBs = 0.001, .Packets = 10}, 50);
  EXPECT_EQ(clear.Scrambled.Width, 0);
  EXPECT_EQ(clear.Clear.Width, 1) << "at least one pixel";
}

} // namespace
} // namespace qev::diagnostics
