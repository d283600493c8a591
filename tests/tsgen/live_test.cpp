// The multiplexer on a clock of its own, as the live sky runs it: the tables follow the clock,
// and their versions follow their content.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <sstream>

#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

constexpr const char *kLive = R"([transponder]
tsid = 0x0010
start = 2024-03-01 12:00:00
bitrate = 1000000
country = DEU
[service]
id = 0x0033
pmt = 0x0100
pcr = 0x0101
name = Live
[stream]
kind = mpeg2
pid = 0x0101
[event]
id = 1
start = 2024-03-01 11:00:00
duration = 3600
name = Before
repeat_days = 2
[event]
id = 2
start = 2024-03-01 12:00:00
duration = 3600
name = After
repeat_days = 2
)";

constexpr UtcSeconds kNoon = 1709294400; // 2024-03-01 12:00:00
constexpr std::uint64_t kPacketsPerSecond = 1'000'000 / (188 * 8);

UtcSeconds ReadUtc(const Bytes &s, std::size_t at) {
  const auto bcd = [&](std::size_t i) { return (s[i] >> 4) * 10 + (s[i] & 0x0F); };
  const std::int64_t mjd = Read16(s, at);
  return (mjd - 40587) * 86400 + bcd(at + 2) * 3600 + bcd(at + 3) * 60 + bcd(at + 4);
}

unsigned VersionOf(const Bytes &s) { return (s[5] >> 1) & 0x1F; }

// A live multiplexer whose clock the test sets.
class LiveMux : public ::testing::Test {
protected:
  LiveMux()
      : tp_(Parse()),
        mux_(tp_, std::nullopt, {.clock = [this](std::uint64_t) { return nowMs_; }, .live = true}) {
  }

  static Transponder Parse() {
    std::istringstream in(kLive);
    return DescriptionFile::Parse(in);
  }
  void Run(UtcSeconds now, std::uint64_t packets = kPacketsPerSecond) {
    nowMs_ = now * 1000;
    mux_.Produce(packets, [this](std::span<const std::uint8_t> p) {
      out_.insert(out_.end(), p.begin(), p.end());
    });
  }
  std::vector<Bytes> Sections(std::uint16_t pid, std::uint8_t tableId) const {
    const TsReader reader(out_);
    std::vector<Bytes> found;
    for (const Bytes &s : reader.Sections(pid)) {
      if (s[0] == tableId && (tableId >= 0x70 || Extension(s) == 0x0033)) {
        found.push_back(s);
      }
    }
    return found;
  }

  Transponder tp_;
  std::int64_t nowMs_ = 0;
  Multiplexer mux_;
  Bytes out_;
};

TEST_F(LiveMux, TimeTablesShowTheClock) {
  Run(kNoon + 3600 * 24 * 400 + 17);
  const auto tdts = Sections(0x0014, 0x70);
  ASSERT_FALSE(tdts.empty());
  for (const Bytes &tdt : tdts) {
    EXPECT_LE(std::llabs(ReadUtc(tdt, 3) - (kNoon + 3600 * 24 * 400 + 17)), 1);
  }
}

TEST_F(LiveMux, PresentFollowingSwitchesAtTheEventBoundaryWithANewVersion) {
  Run(kNoon - 3);
  Run(kNoon + 1);
  std::vector<std::pair<unsigned, unsigned>> seen; // event id, version of section 0
  for (const Bytes &s : Sections(0x0012, 0x4E)) {
    const std::pair<unsigned, unsigned> now{Read16(s, 14), VersionOf(s)};
    if (s[6] == 0 && (seen.empty() || seen.back() != now)) {
      seen.push_back(now);
    }
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, 1u);
  EXPECT_EQ(seen[1].first, 2u);
  EXPECT_EQ(seen[1].second, (seen[0].second + 1) % 32);
  for (const Bytes &pat : Sections(0x0000, 0x00)) {
    EXPECT_EQ(VersionOf(pat), 0u) << "what does not change keeps its version";
  }
}

TEST_F(LiveMux, TheScheduleCoversTodayLongAfterTheDescribedDays) {
  const UtcSeconds weekLater = kNoon + 10 * 86400;
  Run(weekLater, 3 * kPacketsPerSecond);
  const UtcSeconds midnight = weekLater - weekLater % 86400;
  std::set<UtcSeconds> starts;
  auto schedule = Sections(0x0012, 0x50);
  for (const Bytes &s : Sections(0x0012, 0x51)) { // four days a table
    schedule.push_back(s);
  }
  for (const Bytes &s : schedule) {
    const std::size_t end = 3 + SectionLength(s) - 4;
    for (std::size_t at = 14; at + 12 <= end; at += 12 + (Read16(s, at + 10) & 0x0FFF)) {
      starts.insert(ReadUtc(s, at + 2));
    }
  }
  EXPECT_TRUE(starts.count(midnight + 11 * 3600)) << "today's first event";
  EXPECT_TRUE(starts.count(midnight + 7 * 86400 + 12 * 3600)) << "a week ahead";
  const auto pf = Sections(0x0012, 0x4E);
  ASSERT_FALSE(pf.empty());
  EXPECT_EQ(ReadUtc(pf.front(), 16), midnight + 12 * 3600) << "on air now";
}

// The neighbour's present/following (table 0x4F) runs on the same clock as the own one.
TEST(LiveMuxOther, TheNeighboursEventOnAirFollowsTheClock) {
  std::istringstream in(kLive);
  Transponder tp = DescriptionFile::Parse(in);
  tp.others.push_back({.transportStreamId = 0x0020,
                       .originalNetworkId = tp.originalNetworkId,
                       .delivery = tp.delivery,
                       .services = tp.services});
  const UtcSeconds later = kNoon + 10 * 86400 + 1800;
  Multiplexer mux(tp, std::nullopt,
                  {.clock = [later](std::uint64_t) { return later * 1000; }, .live = true});
  Bytes out;
  mux.Produce(3 * kPacketsPerSecond, [&out](std::span<const std::uint8_t> p) {
    out.insert(out.end(), p.begin(), p.end());
  });
  int present = 0;
  for (const Bytes &s : TsReader(out).Sections(0x0012)) {
    if (s[0] == 0x4F && s[6] == 0) {
      EXPECT_EQ(Read16(s, 8), 0x0020u);
      EXPECT_EQ(ReadUtc(s, 16), later - later % 86400 + 12 * 3600);
      ++present;
    }
  }
  EXPECT_GT(present, 0);
}

TEST(LiveMuxZone, TheTimeOffsetComesFromTheTimeZone) {
  const char *old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  std::istringstream in(kLive);
  const Transponder tp = DescriptionFile::Parse(in);
  Bytes out;
  Multiplexer(tp, std::nullopt,
              {.clock = [](std::uint64_t) { return std::int64_t{kNoon} * 1000; }, .live = true})
      .Produce(kPacketsPerSecond, [&out](std::span<const std::uint8_t> p) {
        out.insert(out.end(), p.begin(), p.end());
      });
  old ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
  const TsReader reader(out);
  const Bytes tot = reader.FirstSection(0x0014, 0x73);
  ASSERT_FALSE(tot.empty());
  const Bytes offset = FindDescriptor(std::span(tot).subspan(10, Read16(tot, 8) & 0x0FFF), 0x58);
  ASSERT_EQ(offset.size(), 15u);
  EXPECT_EQ(std::string(offset.begin() + 2, offset.begin() + 5), "DEU");
  EXPECT_EQ(offset[6], 0x01); // +01:00
  EXPECT_EQ(offset[7], 0x00);
  EXPECT_EQ(ReadUtc(offset, 8), 1711846800); // 2024-03-31 01:00:00 UTC
  EXPECT_EQ(offset[13], 0x02);               // then +02:00
}

} // namespace
} // namespace qev::tsgen::test
