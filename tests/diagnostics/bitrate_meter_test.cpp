#include "diagnostics/bitrate_meter.h"
#include "diagnostics/packet_builder.h"

#include <gtest/gtest.h>

namespace qev::diagnostics {
namespace {

using test::MakePacket;

data::TChannelRec Channel() {
  data::TChannelRec rec{};
  rec.Freq = 11778000;
  rec.VidPid = 0x200;
  rec.AudPid = 0x281;
  const std::pair<std::uint16_t, std::uint8_t> streams[] = {{0x200, 1}, {0x280, 2}, {0x281, 2},
                                                            {0x282, 3}, {0x290, 4}, {0x300, 1}};
  for (const auto &[pid, kind] : streams) {
    rec.EsList[rec.EsCount].Pid = pid;
    rec.EsList[rec.EsCount].Kind = kind;
    ++rec.EsCount;
  }
  rec.EsList[rec.EsCount].Pid = 0x400; // beyond EsCount
  rec.EsList[rec.EsCount].Kind = 1;
  return rec;
}

TEST(BitrateMeterTest, EntriesAreTheChannelsVideoAndSoundWithItsOwnTicked) {
  TBitrateMeter meter(Channel());
  ASSERT_EQ(meter.Entries().size(), 5u);
  std::vector<std::pair<std::uint16_t, bool>> got;
  for (const TBitrateEntry &e : meter.Entries())
    got.emplace_back(e.Pid, e.Ticked);
  EXPECT_EQ(got,
            (std::vector<std::pair<std::uint16_t, bool>>{
                {0x200, true}, {0x280, false}, {0x281, true}, {0x282, false}, {0x300, false}}));
  EXPECT_TRUE(meter.AnyTicked());
  for (TBitrateEntry &e : meter.Entries())
    e.Ticked = false;
  EXPECT_FALSE(meter.AnyTicked());
}

TEST(BitrateMeterTest, PayloadCounterCountsPayloadOnly) {
  EXPECT_EQ(PacketPayloadBytes(MakePacket({}).data()), 184);
  EXPECT_EQ(PacketPayloadBytes(MakePacket({.adaptationLength = 7}).data()), 176);
  EXPECT_EQ(PacketPayloadBytes(MakePacket({.payload = false, .adaptationLength = 183}).data()), 0);
  EXPECT_EQ(PacketPayloadBytes(MakePacket({.adaptationLength = 183}).data()), 0);
  auto bad = MakePacket({.adaptationLength = 100});
  bad[4] = 200;
  EXPECT_EQ(PacketPayloadBytes(bad.data()), 0);
  bad[0] = 0x48;
  bad[4] = 0;
  EXPECT_EQ(PacketPayloadBytes(bad.data()), 0) << "no sync byte";

  TBitrateMeter meter(Channel());
  std::vector<std::uint8_t> block;
  test::Append(block, MakePacket({}));
  test::Append(block, MakePacket({.adaptationLength = 7}));
  block.resize(block.size() + 50, 0x47); // a partial packet adds nothing
  meter.CountPayload(0, block);
  meter.CountPayload(99, block); // outside the entries: ignored
  EXPECT_EQ(meter.Entries()[0].TotalBytes, 360u);
}

TEST(BitrateMeterTest, TicksGiveCurrentAndAverageRatesAndATimedRunEnds) {
  TBitrateMeter meter(Channel());
  meter.Start(3, 10'000);
  EXPECT_TRUE(meter.Running());
  std::vector<std::uint8_t> second(188 * 1000); // 184,000 payload bytes
  for (std::size_t i = 0; i < 1000; ++i) {
    const auto p = MakePacket({});
    std::copy(p.begin(), p.end(), second.begin() + static_cast<std::ptrdiff_t>(i * 188));
  }
  meter.CountPayload(0, second);
  EXPECT_FALSE(meter.Tick(11'000));
  EXPECT_EQ(meter.Entries()[0].CurrentRate, 179); // 184000 / 1024
  meter.CountPayload(0, second);
  meter.CountPayload(0, second);
  EXPECT_FALSE(meter.Tick(12'000));
  EXPECT_EQ(meter.Entries()[0].CurrentRate, 359);
  EXPECT_EQ(meter.Entries()[0].AverageRate, 269);
  EXPECT_EQ(meter.Entries()[1].CurrentRate, 0);
  EXPECT_EQ(meter.TicksLeft(), 1);
  EXPECT_TRUE(meter.Tick(12'000)) << "the third tick ends the run";
  EXPECT_FALSE(meter.Running());
  EXPECT_EQ(meter.Entries()[0].CurrentRate, 0) << "no time passed: 0";
  EXPECT_EQ(RunningLegend(meter.Entries()[0]), "0200: %3d KB/s");
  EXPECT_EQ(StoppedLegend(meter.Entries()[0]), "0200: 269 KB/s");
  // A run until stopped never ends by itself.
  meter.Start(0, 0);
  for (int t = 1; t < 100; ++t)
    EXPECT_FALSE(meter.Tick(t * 1000));
  EXPECT_TRUE(meter.Running());
  EXPECT_EQ(meter.Entries()[0].TotalBytes, 0u) << "a start zeroes the counters";
}

} // namespace
} // namespace qev::diagnostics
