// Every deliberate fault does what it says, and nothing else.

#include <gtest/gtest.h>

#include <algorithm>

#include "si/crc32_mpeg.h"
#include "stream_check.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

constexpr std::uint16_t kPat = 0x0000, kSdt = 0x0011, kPmt = 0x0100;

// Continuity steps (modulo 16) between successive payload packets of `pid`.
std::vector<unsigned> ContinuitySteps(const TsReader &reader, std::uint16_t pid) {
  std::vector<unsigned> steps;
  int last = -1;
  for (const auto &p : reader.PacketsOf(pid)) {
    if (!p.hasPayload) {
      continue;
    }
    if (last >= 0) {
      steps.push_back((p.continuity - last) & 0x0F);
    }
    last = static_cast<int>(p.continuity);
  }
  return steps;
}

Bytes Generate(const Transponder &tp) { return GenerateStream(tp); }

TEST(TsgenFlaws, CleanStreamHasContinuousCountersAndGoodSections) {
  const Bytes stream = Generate(SmallTransponder());
  const TsReader reader(stream);
  for (const std::uint16_t pid : {kPat, kSdt, kPmt, std::uint16_t{0x0101}, std::uint16_t{0x0102}}) {
    for (const unsigned step : ContinuitySteps(reader, pid)) {
      ASSERT_EQ(step, 1u) << "pid " << pid;
    }
  }
  for (const Bytes &s : reader.Sections(kPat)) {
    EXPECT_EQ(si::Crc32Mpeg(s), 0u);
  }
  // Packets with only an adaptation field (the PCRs) repeat the counter of the one before.
  int last = -1;
  for (const auto &p : reader.PacketsOf(0x0101)) {
    if (!p.hasPayload && last >= 0) {
      EXPECT_EQ(p.continuity, static_cast<unsigned>(last));
    }
    last = static_cast<int>(p.continuity);
  }
}

TEST(TsgenFlaws, BadCrcStrikesEveryNthSectionOfItsPid) {
  Transponder tp = SmallTransponder();
  tp.flaws.badCrc = {3, kPat};
  const TsReader reader(Generate(tp));
  const auto pats = reader.Sections(kPat);
  ASSERT_GE(pats.size(), 6u);
  for (std::size_t i = 0; i < pats.size(); ++i) {
    EXPECT_EQ(si::Crc32Mpeg(pats[i]) != 0, (i + 1) % 3 == 0) << i;
  }
  for (const Bytes &s : reader.Sections(kPmt)) {
    EXPECT_EQ(si::Crc32Mpeg(s), 0u);
  }
}

TEST(TsgenFlaws, WrongLengthDisagreesWithTheBytesSent) {
  Transponder tp = SmallTransponder();
  tp.flaws.wrongLength = {1, kPat};
  tp.flaws.lengthDelta = 7;
  const Bytes good = Generate(SmallTransponder());
  const Bytes bad = Generate(tp);
  const TsReader goodReader(good), badReader(bad);
  const auto g = goodReader.PacketsOf(kPat).front().payload;
  const auto b = badReader.PacketsOf(kPat).front().payload;
  const unsigned goodLength = (g[2] & 0x0F) << 8 | g[3];
  EXPECT_EQ(((b[2] & 0x0F) << 8 | b[3]), goodLength + 7);
  // The section's bytes themselves are unchanged, and stuffing follows them.
  EXPECT_TRUE(std::equal(g.begin() + 4, g.begin() + 4 + goodLength, b.begin() + 4));
  EXPECT_EQ(b[4 + goodLength], 0xFF);
}

TEST(TsgenFlaws, SplitHeadersCutEverySectionHeaderAtAPacketBoundary) {
  Transponder tp = SmallTransponder();
  tp.flaws.splitHeaders = true;
  const TsReader reader(Generate(tp));
  int split = 0;
  for (const auto &p : reader.PacketsOf(kSdt)) {
    if (!p.unitStart) {
      continue;
    }
    // Walk the sections that start in this packet: the last one must run past its end
    // within its first 8 bytes.
    std::size_t at = 1 + p.payload[0];
    while (at + 3 <= p.payload.size() && p.payload[at] != 0xFF) {
      const std::size_t size = 3 + ((p.payload[at + 1] & 0x0F) << 8 | p.payload[at + 2]);
      if (at + size > p.payload.size()) {
        break;
      }
      at += size;
    }
    if (at < p.payload.size() && p.payload[at] == 0x42) {
      EXPECT_GT(at + 8, p.payload.size());
      ++split;
    }
  }
  EXPECT_GE(split, 2);
  // Stuffing tables make the room, and the real sections survive intact.
  const auto sections = reader.Sections(kSdt);
  EXPECT_TRUE(
      std::any_of(sections.begin(), sections.end(), [](const Bytes &s) { return s[0] == 0x72; }));
  for (const Bytes &s : sections) {
    if (s[0] == 0x42) {
      EXPECT_EQ(si::Crc32Mpeg(s), 0u);
    }
  }
}

TEST(TsgenFlaws, StuffingTablesComeBeforeEveryNthSection) {
  Transponder tp = SmallTransponder();
  tp.flaws.stuffingTables = {2, kSdt};
  const auto sections = TsReader(Generate(tp)).Sections(kSdt);
  ASSERT_GE(sections.size(), 3u);
  EXPECT_EQ(sections[0][0], 0x42);
  EXPECT_EQ(sections[1][0], 0x72);
  EXPECT_EQ(sections[1][1] & 0x80, 0); // no section syntax
  EXPECT_EQ(sections[2][0], 0x42);
}

TEST(TsgenFlaws, PacketLossLeavesAGapInTheCounter) {
  Transponder tp = SmallTransponder();
  tp.flaws.packetLoss = {4, 0x0101};
  const Bytes clean = Generate(SmallTransponder());
  const Bytes lossy = Generate(tp);
  const TsReader reader(lossy);
  const auto steps = ContinuitySteps(reader, 0x0101);
  ASSERT_GE(steps.size(), 6u);
  // Packets 1, 2, 3, 5, 6, 7, 9 ... arrive: every third step skips the lost one.
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i], i % 3 == 2 ? 2u : 1u) << i;
  }
  EXPECT_LT(lossy.size(), clean.size());
  for (const unsigned step : ContinuitySteps(reader, 0x0102)) {
    EXPECT_EQ(step, 1u);
  }
}

TEST(TsgenFlaws, ContinuityErrorsJumpWithoutLosingData) {
  Transponder tp = SmallTransponder();
  tp.flaws.continuity = {5, std::nullopt};
  const Bytes clean = Generate(SmallTransponder());
  const Bytes jumpy = Generate(tp);
  EXPECT_EQ(jumpy.size(), clean.size());
  const auto steps = ContinuitySteps(TsReader(jumpy), kPat);
  ASSERT_GE(steps.size(), 5u);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    // Packet i + 2 (counting from 1) is the one that jumps.
    EXPECT_EQ(steps[i], (i + 2) % 5 == 0 ? 2u : 1u) << i;
  }
}

TEST(TsgenFlaws, AdaptationFieldsShortenSectionPayloads) {
  Transponder tp = SmallTransponder();
  tp.flaws.adaptation = {1, kPat};
  tp.flaws.adaptationBytes = 20;
  const TsReader reader(Generate(tp));
  for (const auto &p : reader.PacketsOf(kPat)) {
    EXPECT_EQ(p.adaptationSize, 20u);
    EXPECT_EQ(p.payload.size(), 164u);
    EXPECT_EQ(p.bytes[5], 0x00); // no flags, only stuffing
  }
  const auto pats = reader.Sections(kPat);
  ASSERT_FALSE(pats.empty());
  EXPECT_EQ(si::Crc32Mpeg(pats.front()), 0u);
}

// The packets of a stream that may hold garbage between them: each sync byte found again.
std::vector<std::span<const std::uint8_t>> Resync(const Bytes &stream, std::size_t &skipped) {
  std::vector<std::span<const std::uint8_t>> packets;
  skipped = 0;
  for (std::size_t at = 0; at + 188 <= stream.size();) {
    if (stream[at] == 0x47 || (at + 188 < stream.size() && stream[at + 188] == 0x47)) {
      packets.emplace_back(stream.data() + at, 188);
      at += 188;
    } else {
      ++skipped;
      ++at;
    }
  }
  return packets;
}

TEST(TsgenFlaws, ErrorFlagsLostSyncDuplicatesAndGarbageStrikeTheirPackets) {
  Transponder tp = SmallTransponder();
  tp.flaws.transportError = {5, std::uint16_t{0x0101}};
  tp.flaws.lostSync = {4, kPat};
  tp.flaws.duplicate = {7, std::uint16_t{0x0102}};
  tp.flaws.garbage = {3, kPmt};
  tp.flaws.garbageBytes = 17;
  const Bytes stream = Generate(tp);
  std::size_t skipped = 0;
  const auto packets = Resync(stream, skipped);
  std::size_t pmts = 0, pats = 0, video = 0, errors = 0, broken = 0, twins = 0, audio = 0;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const auto &p = packets[i];
    const std::uint16_t pid = (p[1] & 0x1F) << 8 | p[2];
    pmts += pid == kPmt;
    pats += pid == kPat;
    broken += p[0] != 0x47;
    if (pid == 0x0101 && (p[3] & 0x10)) {
      ++video;
      errors += (p[1] & 0x80) != 0;
    }
    if (pid == 0x0102) {
      ++audio;
      twins += i > 0 && std::equal(p.begin(), p.end(), packets[i - 1].begin());
    }
    if (pid != 0x0101) {
      EXPECT_EQ(p[1] & 0x80, 0) << "only its PID carries the error flag";
    }
  }
  EXPECT_EQ(skipped, pmts / 3 * 17);
  EXPECT_EQ(errors, video / 5);
  EXPECT_GT(errors, 1u);
  EXPECT_EQ(broken, pats / 4);
  EXPECT_GT(broken, 1u);
  EXPECT_EQ(twins, (audio - twins) / 7);
}

TEST(TsgenFlaws, ThePcrJumpsAheadWithoutADiscontinuityFlag) {
  Transponder tp = SmallTransponder();
  tp.flaws.pcrJump = PcrJump{0.5, 300};
  const Bytes stream = Generate(tp);
  const StreamCheck check = StreamCheck::Of(stream);
  EXPECT_GT(check.largestPcrIntervalMs, 300.0);
  EXPECT_LT(check.largestPcrIntervalMs, 340.0);
  const TsReader reader(stream); // the packets point into it
  for (const auto &p : reader.PacketsOf(0x0101)) {
    if (p.adaptationSize > 1) {
      EXPECT_EQ(p.bytes[5] & 0x80, 0);
    }
  }
}

unsigned VersionOf(const Bytes &section) { return (section[5] >> 1) & 0x1F; }

TEST(TsgenFlaws, VersionAndPidChangesComeAtTheirTime) {
  Transponder tp = SmallTransponder();
  tp.durationSeconds = 1;
  tp.flaws.versionChanges.push_back({0.5, kPat});
  tp.flaws.pidChanges.push_back({0.5, 0x0102, 0x0202});
  const Bytes stream = Generate(tp);
  const TsReader reader(stream);
  const std::size_t half = stream.size() / 188 / 2;
  const auto pats = reader.Sections(kPat);
  EXPECT_EQ(VersionOf(pats.front()), 0u);
  EXPECT_EQ(VersionOf(pats.back()), 1u);
  for (const auto &p : reader.PacketsOf(0x0102)) {
    EXPECT_LE(p.index, half + 1);
  }
  const auto moved = reader.PacketsOf(0x0202);
  ASSERT_FALSE(moved.empty());
  EXPECT_GE(moved.front().index, half - 1);
  for (const unsigned step : ContinuitySteps(reader, 0x0202)) {
    EXPECT_EQ(step, 1u) << "the moved stream counts on under its new PID";
  }
  const auto pmts = reader.Sections(kPmt);
  EXPECT_EQ(VersionOf(pmts.front()), 0u);
  EXPECT_EQ(VersionOf(pmts.back()), 1u) << "the PMT's content changed";
  const Bytes last = pmts.back();
  const std::uint8_t audioEntry[] = {0x03, 0xE2, 0x02}; // MPEG audio on 0x0202
  EXPECT_NE(std::search(last.begin(), last.end(), std::begin(audioEntry), std::end(audioEntry)),
            last.end());
}

TEST(TsgenFlaws, ServicesComeAndGoAtTheirTime) {
  Transponder tp = SmallTransponder();
  Service second = tp.services[0];
  second.serviceId = 0x0034;
  second.pmtPid = 0x0200;
  second.pcrPid = 0x1FFF;
  second.streams.clear();
  tp.services.push_back(second);
  tp.flaws.serviceChanges.push_back({0.5, 0x0034, true});
  tp.flaws.serviceChanges.push_back({0.5, 0x0033, false});
  const TsReader reader(Generate(tp));
  const auto pats = reader.Sections(kPat);
  const auto programs = [](const Bytes &pat) {
    std::vector<unsigned> ids;
    for (std::size_t at = 8; at + 4 < 3 + SectionLength(pat); at += 4) {
      ids.push_back(Read16(pat, at));
    }
    return ids;
  };
  EXPECT_EQ(programs(pats.front()), (std::vector<unsigned>{0, 0x0033}));
  EXPECT_EQ(programs(pats.back()), (std::vector<unsigned>{0, 0x0034}));
  EXPECT_EQ(VersionOf(pats.back()), 1u);
  EXPECT_FALSE(reader.Sections(0x0200).empty()) << "the added service's PMT";
}

} // namespace
} // namespace qev::tsgen::test
