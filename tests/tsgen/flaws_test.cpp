// Every deliberate fault does what it says, and nothing else.

#include <gtest/gtest.h>

#include "crc32_mpeg.h"
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
    EXPECT_EQ(Crc32Mpeg(s), 0u);
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
    EXPECT_EQ(Crc32Mpeg(pats[i]) != 0, (i + 1) % 3 == 0) << i;
  }
  for (const Bytes &s : reader.Sections(kPmt)) {
    EXPECT_EQ(Crc32Mpeg(s), 0u);
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
      EXPECT_EQ(Crc32Mpeg(s), 0u);
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
  EXPECT_EQ(Crc32Mpeg(pats.front()), 0u);
}

} // namespace
} // namespace qev::tsgen::test
