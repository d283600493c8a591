#include "si/section_assembler.h"

#include "si/crc32_mpeg.h"
#include "si/section_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "si_tables.h"

namespace qev::si {
namespace {

using testing::Bytes;
using testing::Pack;
using testing::Packing;

constexpr std::size_t kPayload = TPk184ToSection::kPayloadSize;

class SectionAssemblerTest : public ::testing::Test {
protected:
  SectionAssemblerTest() {
    std::vector<std::uint8_t> eitIds;
    for (int id = 0x4E; id <= 0x6F; ++id)
      eitIds.push_back(static_cast<std::uint8_t>(id));
    assembler.AsmSetTableIds(eitIds);
  }

  // Feeds the bytes in pieces of random size (not always whole payloads) and takes out every
  // section as soon as it is available. The stream goes on with stuffing for one maximal section:
  // a false start in skipped bytes may claim that much data before its CRC can refute it.
  std::vector<Bytes> Feed(Bytes stream) {
    stream.resize(stream.size() + 24 * kPayload, 0xFF);
    std::vector<Bytes> out;
    for (std::size_t at = 0; at < stream.size();) {
      const std::size_t piece = std::min<std::size_t>(stream.size() - at, 1 + random() % 700);
      assembler.AsmAppend({stream.data() + at, piece});
      at += piece;
      while (assembler.AsmNextSection()) {
        const auto section = assembler.Section();
        out.emplace_back(section.begin(), section.end());
      }
    }
    return out;
  }

  // EIT sections of assorted sizes with unwanted ones (an SDT, stuffing tables) between them.
  std::vector<Bytes> MixedSections(std::size_t count, bool withUnwanted) {
    std::vector<Bytes> sections;
    for (std::size_t i = 0; i < count; ++i) {
      const auto tableId = static_cast<std::uint8_t>(0x4E + random() % 34);
      const std::size_t body = random() % 4 == 0 ? random() % 4000 : random() % 400;
      sections.push_back(testing::MakeSection(tableId, body, random));
      if (withUnwanted && random() % 3 == 0)
        sections.push_back(random() % 2 ? tsgen::BuildStuffing(3 + random() % 300)
                                        : testing::MakeSection(0x42, random() % 300, random));
    }
    return sections;
  }

  // Readable failures: counts and the first differing section instead of every byte.
  static ::testing::AssertionResult SameSections(const std::vector<Bytes> &got,
                                                 const std::vector<Bytes> &want) {
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i)
      if (got[i] != want[i])
        return ::testing::AssertionFailure()
               << "section " << i << " differs: table 0x" << std::hex << int(got[i][0]) << " size "
               << std::dec << got[i].size() << " instead of table 0x" << std::hex << int(want[i][0])
               << " size " << std::dec << want[i].size();
    if (got.size() != want.size())
      return ::testing::AssertionFailure() << got.size() << " sections instead of " << want.size();
    return ::testing::AssertionSuccess();
  }

  static std::vector<Bytes> Wanted(const std::vector<Bytes> &sections) {
    std::vector<Bytes> wanted;
    for (const Bytes &s : sections)
      if (s[0] >= 0x4E && s[0] <= 0x6F)
        wanted.push_back(s);
    return wanted;
  }

  std::mt19937 random{42};
  TPk184ToSection assembler;
};

TEST_F(SectionAssemblerTest, EveryPackingDeliversEverySectionOnceInOrder) {
  for (Packing packing : {Packing::BackToBack, Packing::OnePerPacket}) {
    for (bool unwanted : {false, true}) {
      assembler.AsmReset();
      const auto sections = MixedSections(300, unwanted);
      const auto stream = Pack(sections, packing);
      EXPECT_TRUE(SameSections(Feed(stream.payloads), Wanted(sections)))
          << "one per packet " << (packing == Packing::OnePerPacket) << " unwanted " << unwanted;
      EXPECT_EQ(assembler.Rejected(), 0u);
    }
  }
}

// Section sizes chosen so that headers straddle payload boundaries at every split point, with
// the next payload starting with a pointer field that falls inside the header.
TEST_F(SectionAssemblerTest, HeadersSplitAcrossPayloadsAreReadAcrossThePointerField) {
  for (std::size_t lead = 170; lead <= 183; ++lead) {
    assembler.AsmReset();
    // The first payload is a pointer field and `lead` bytes of a first section, then the second
    // section starts; a third one starting in the next payload makes that payload carry a pointer.
    const std::vector<Bytes> sections{testing::MakeSection(0x4E, lead - 12, random),
                                      testing::MakeSection(0x50, 30, random),
                                      testing::MakeSection(0x60, 50, random)};
    EXPECT_TRUE(SameSections(Feed(Pack(sections, Packing::BackToBack).payloads), sections))
        << "lead " << lead;
  }
}

TEST_F(SectionAssemblerTest, LastSectionBeforeAnUnwantedTableIsDelivered) {
  const std::vector<Bytes> sections{testing::MakeSection(0x4E, 181 - 12, random),
                                    tsgen::BuildStuffing(40),
                                    testing::MakeSection(0x4F, 20, random)};
  const auto stream = Pack(sections, Packing::BackToBack);
  assembler.AsmAppend({stream.payloads.data(), kPayload});
  ASSERT_TRUE(assembler.AsmNextSection());
  EXPECT_EQ(Bytes(assembler.Section().begin(), assembler.Section().end()), sections[0]);
  const Bytes rest(stream.payloads.begin() + kPayload, stream.payloads.end());
  EXPECT_TRUE(SameSections(Feed(rest), {sections[2]}));
}

TEST_F(SectionAssemblerTest, LostPayloadNeverYieldsGarbageAndIntactSectionsSurvive) {
  for (int round = 0; round < 40; ++round) {
    assembler.AsmReset();
    const auto sections = MixedSections(60, true);
    auto stream = Pack(sections, round % 2 ? Packing::OnePerPacket : Packing::BackToBack);
    const std::size_t payloads = stream.payloads.size() / kPayload;
    const std::size_t lost = random() % payloads;
    stream.payloads.erase(stream.payloads.begin() + static_cast<std::ptrdiff_t>(lost * kPayload),
                          stream.payloads.begin() +
                              static_cast<std::ptrdiff_t>((lost + 1) * kPayload));
    std::vector<Bytes> intact;
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const auto [first, last] = stream.extent[i];
      if ((first > lost || last < lost) && sections[i][0] >= 0x4E && sections[i][0] <= 0x6F)
        intact.push_back(sections[i]);
    }
    EXPECT_TRUE(SameSections(Feed(stream.payloads), intact))
        << "round " << round << " lost " << lost;
  }
}

TEST_F(SectionAssemblerTest, DamagedAndShortSectionsAreRejectedAndCounted) {
  Bytes broken = testing::MakeSection(0x4E, 100, random);
  tsgen::BreakCrc(broken);
  const Bytes good = testing::MakeSection(0x4F, 100, random);
  // A wanted table id with the short header (no CRC to prove it) is not delivered either.
  const Bytes shortHeader = tsgen::ShortSection(0x50, Bytes(20, 0x11), false);
  const auto stream = Pack({good, broken, good, shortHeader, good}, Packing::BackToBack);
  EXPECT_TRUE(SameSections(Feed(stream.payloads), {good, good, good}));
  EXPECT_EQ(assembler.Rejected(), 2u);
}

TEST_F(SectionAssemblerTest, NothingIsDeliveredWithoutWantedTableIds) {
  TPk184ToSection empty;
  const auto stream = Pack(MixedSections(20, false), Packing::BackToBack);
  empty.AsmAppend(stream.payloads);
  EXPECT_FALSE(empty.AsmNextSection());
}

TEST_F(SectionAssemblerTest, ConsumedDataIsDroppedSoMemoryStaysBounded) {
  const auto sections = MixedSections(200, true);
  const auto stream = Pack(sections, Packing::BackToBack);
  std::size_t delivered = 0;
  for (int repeat = 0; repeat < 30; ++repeat) {
    delivered += Feed(stream.payloads).size();
    EXPECT_LT(assembler.BufferedBytes(), 3 * 64 * 1024);
  }
  EXPECT_EQ(delivered, 30 * Wanted(sections).size());
}

TEST_F(SectionAssemblerTest, HostilePayloadsNeverReadPastTheDataNorDeliverUnprovenSections) {
  Bytes noise(200 * kPayload);
  for (int round = 0; round < 20; ++round) {
    // Mostly wanted table ids with the syntax bit set and maximal lengths: every byte a candidate.
    for (auto &byte : noise) {
      const auto r = random();
      byte = static_cast<std::uint8_t>(r % 3 == 0 ? 0x4E + r % 34 : r % 3 == 1 ? 0xBF : r >> 8);
    }
    for (const Bytes &section : Feed(noise)) {
      ASSERT_GE(section.size(), 12u);
      EXPECT_EQ(Crc32Mpeg(section), 0u);
    }
    EXPECT_LE(assembler.Section().size(), TPk184ToSection::kMaxSectionSize);
  }
}

} // namespace
} // namespace qev::si
