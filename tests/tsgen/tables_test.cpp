// The tables of a generated stream, read back byte by byte.

#include <gtest/gtest.h>
#include <set>

#include "si/crc32_mpeg.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

class TsgenTables : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    tp_ = new Transponder(SampleTransponder());
    stream_ = new Bytes(GenerateStream(*tp_));
    reader_ = new TsReader(*stream_);
  }
  static void TearDownTestSuite() {
    delete reader_;
    delete stream_;
    delete tp_;
  }

  static Bytes Pmt(std::uint16_t pid, std::uint16_t sid) {
    return reader_->FirstSection(pid, 0x02, sid);
  }
  // The ES loop of a PMT as (stream_type, PID, descriptors).
  struct Es {
    unsigned type, pid;
    Bytes descriptors;
  };
  static std::vector<Es> Streams(const Bytes &pmt) {
    std::vector<Es> out;
    const std::size_t end = 3 + SectionLength(pmt) - 4;
    for (std::size_t at = 12 + (Read16(pmt, 10) & 0x0FFF); at + 5 <= end;) {
      const std::size_t n = Read16(pmt, at + 3) & 0x0FFF;
      out.push_back({pmt[at], Read16(pmt, at + 1) & 0x1FFFu,
                     Bytes(pmt.begin() + at + 5, pmt.begin() + at + 5 + n)});
      at += 5 + n;
    }
    return out;
  }

  static Transponder *tp_;
  static Bytes *stream_;
  static TsReader *reader_;
};

Transponder *TsgenTables::tp_ = nullptr;
Bytes *TsgenTables::stream_ = nullptr;
TsReader *TsgenTables::reader_ = nullptr;

TEST_F(TsgenTables, EverySectionCarriesAValidCrc) {
  for (const std::uint16_t pid : {0x0000, 0x0001, 0x0010, 0x0011, 0x0012, 0x0100, 0x0200}) {
    const auto sections = reader_->Sections(pid);
    ASSERT_FALSE(sections.empty()) << pid;
    for (const Bytes &s : sections) {
      EXPECT_EQ(si::Crc32Mpeg(s), 0u) << "pid " << pid << " table " << int(s[0]);
    }
  }
}

TEST_F(TsgenTables, PatListsTheNetworkAndEveryPmt) {
  const Bytes pat = reader_->FirstSection(0x0000, 0x00);
  ASSERT_FALSE(pat.empty());
  EXPECT_EQ(Extension(pat), 0x0440u);
  EXPECT_EQ(SectionLength(pat), 5 + 4 * 6 + 4u);
  EXPECT_EQ(Read16(pat, 8), 0);
  EXPECT_EQ(Read16(pat, 10) & 0x1FFF, 0x0010);
  EXPECT_EQ(Read16(pat, 12), 0x0101);
  EXPECT_EQ(Read16(pat, 14) & 0x1FFF, 0x0100);
}

TEST_F(TsgenTables, PmtAnnouncesStreamTypesLanguagesAc3AndTeletextPages) {
  const Bytes pmt = Pmt(0x0100, 0x0101);
  ASSERT_FALSE(pmt.empty());
  EXPECT_EQ(Read16(pmt, 8) & 0x1FFF, 0x0101); // PCR PID
  const auto es = Streams(pmt);
  ASSERT_EQ(es.size(), 4u);
  EXPECT_EQ(es[0].type, 0x02u);
  EXPECT_EQ(es[1].type, 0x03u);
  EXPECT_EQ(FindDescriptor(es[1].descriptors, 0x0A), (Bytes{0x0A, 4, 'e', 'n', 'g', 0}));
  EXPECT_EQ(es[2].type, 0x06u);
  EXPECT_EQ(FindDescriptor(es[2].descriptors, 0x6A), (Bytes{0x6A, 1, 0}));
  EXPECT_EQ(es[3].pid, 0x0104u);
  // Initial page 100 (type 1, magazine 1, 0x00) and subtitles on 888 (type 2, magazine 0).
  EXPECT_EQ(FindDescriptor(es[3].descriptors, 0x56),
            (Bytes{0x56, 10, 'e', 'n', 'g', 0x09, 0x00, 'e', 'n', 'g', 0x10, 0x88}));
  const auto h264 = Streams(Pmt(0x0200, 0x0102));
  EXPECT_EQ(h264[0].type, 0x1Bu);
  EXPECT_EQ(h264[1].type, 0x0Fu);
}

TEST_F(TsgenTables, CaDescriptorsFollowEachSystemsLayout) {
  const Bytes pmt = Pmt(0x0200, 0x0102);
  const std::span<const std::uint8_t> program(pmt.data() + 12, Read16(pmt, 10) & 0x0FFF);
  const Bytes seca = FindDescriptor(program, 0x09);
  // Seca 0x0100: 15-byte entries of ECM PID and provider from byte 4.
  ASSERT_EQ(seca.size(), 4u + 2 * 15);
  EXPECT_EQ(Read16(seca, 2), 0x0100);
  EXPECT_EQ(Read16(seca, 4) & 0x1FFF, 0x0210);
  EXPECT_EQ(Read16(seca, 6), 0x0065);
  EXPECT_EQ(Read16(seca, 19) & 0x1FFF, 0x0210);
  EXPECT_EQ(Read16(seca, 21), 0x0067);
  const Bytes viaccess = FindDescriptor(program.subspan(seca.size()), 0x09);
  EXPECT_EQ(viaccess, (Bytes{0x09, 9, 0x05, 0x00, 0xE2, 0x11, 0x14, 3, 0x03, 0x0B, 0x00}));
  const Bytes cat = reader_->FirstSection(0x0001, 0x01);
  ASSERT_FALSE(cat.empty());
  EXPECT_EQ(Bytes(cat.begin() + 8, cat.end() - 4),
            (Bytes{0x09, 4, 0x01, 0x00, 0xE0, 0x20, 0x09, 4, 0x05, 0x00, 0xE0, 0x21}));
}

TEST_F(TsgenTables, SdtNamesServicesInTheirTablesAndFlagsScrambling) {
  const Bytes sdt = reader_->FirstSection(0x0011, 0x42);
  ASSERT_FALSE(sdt.empty());
  EXPECT_EQ(Extension(sdt), 0x0440u);
  EXPECT_EQ(Read16(sdt, 11), 0x0101);
  EXPECT_EQ(sdt[13], 0xFF);     // EIT schedule and present/following
  EXPECT_EQ(sdt[14] >> 4, 0x8); // running, free
  const Bytes service = FindDescriptor(std::span(sdt).subspan(16), 0x48);
  EXPECT_EQ(service[2], 0x01);
  EXPECT_EQ(std::string(service.begin() + 4, service.begin() + 4 + service[3]), "QEV Broadcasting");
  const std::size_t second = 16 + (Read16(sdt, 14) & 0x0FFF);
  EXPECT_EQ(Read16(sdt, second), 0x0102);
  EXPECT_EQ(sdt[second + 3] >> 4 & 1, 1); // free_CA_mode
  const Bytes other = reader_->FirstSection(0x0011, 0x46);
  ASSERT_FALSE(other.empty());
  EXPECT_EQ(Extension(other), 0x0441u);
}

TEST_F(TsgenTables, NitCarriesNameAndSatelliteDeliveryInBcd) {
  const Bytes nit = reader_->FirstSection(0x0010, 0x40);
  ASSERT_FALSE(nit.empty());
  const std::size_t nameLength = Read16(nit, 8) & 0x0FFF;
  EXPECT_EQ(std::string(nit.begin() + 12, nit.begin() + 10 + nameLength), "QEV Sat Network");
  const std::size_t loop = 10 + nameLength + 2;
  EXPECT_EQ(Read16(nit, loop), 0x0440);
  const std::size_t length = Read16(nit, loop + 4) & 0x0FFF;
  const Bytes sat = FindDescriptor(std::span(nit).subspan(loop + 6, length), 0x43);
  // 11.72700 GHz, 019.2 E, vertical QPSK, 27.5000 MS/s, FEC 3/4.
  EXPECT_EQ(sat,
            (Bytes{0x43, 11, 0x01, 0x17, 0x27, 0x00, 0x01, 0x92, 0xA1, 0x02, 0x75, 0x00, 0x03}));
  const std::size_t next = loop + 6 + length;
  const Bytes s2 = FindDescriptor(std::span(nit).subspan(next + 6), 0x43);
  EXPECT_EQ(s2[8], 0x80 | 0x04 | 0x02); // east, horizontal, DVB-S2, 8PSK
}

TEST_F(TsgenTables, TimeTablesStartAtTheDescribedTime) {
  const Bytes tdt = reader_->FirstSection(0x0014, 0x70);
  EXPECT_EQ(tdt, (Bytes{0x70, 0x70, 0x05, 0xEB, 0xD2, 0x11, 0x59, 0x58}));
  const Bytes tot = reader_->FirstSection(0x0014, 0x73);
  ASSERT_FALSE(tot.empty());
  EXPECT_EQ(si::Crc32Mpeg(tot), 0u);
  const Bytes offset = FindDescriptor(std::span(tot).subspan(10), 0x58);
  EXPECT_EQ(Bytes(offset.begin() + 2, offset.begin() + 8),
            (Bytes{'G', 'B', 'R', 0x02, 0x01, 0x00}));
}

TEST_F(TsgenTables, PresentFollowingFollowsTheClock) {
  const Bytes pf = reader_->FirstSection(0x0012, 0x4E, 0x0101);
  ASSERT_FALSE(pf.empty());
  EXPECT_EQ(pf[6], 0); // present
  EXPECT_EQ(Read16(pf, 14), 1);
  EXPECT_EQ(pf[24] >> 5, 4); // running
  const Bytes event = Bytes(pf.begin() + 14, pf.end() - 4);
  const std::span<const std::uint8_t> loop(event.data() + 12, Read16(event, 10) & 0x0FFF);
  const Bytes shortEvent = FindDescriptor(loop, 0x4D);
  EXPECT_EQ(std::string(shortEvent.begin() + 6, shortEvent.begin() + 6 + shortEvent[5]),
            "Morning News");
  EXPECT_EQ(FindDescriptor(loop, 0x54), (Bytes{0x54, 2, 0x20, 0}));
  EXPECT_EQ(FindDescriptor(loop, 0x55), (Bytes{0x55, 4, 'G', 'B', 'R', 9}));
  const Bytes extended = FindDescriptor(loop, 0x4E);
  ASSERT_GT(extended.size(), 7u);
  EXPECT_EQ(extended[2], 0x00);                           // descriptor 0 of 0
  EXPECT_EQ(extended[6], 1 + 9 + 1 + 11 + 1 + 6 + 1 + 6); // two items
}

TEST_F(TsgenTables, ScheduleCoversSevenDaysInThreeHourSegments) {
  std::set<std::uint8_t> tables;
  std::set<std::uint16_t> events;
  for (const Bytes &s : reader_->Sections(0x0012)) {
    if (s[0] < 0x50 || Extension(s) != 0x0101) {
      continue;
    }
    tables.insert(s[0]);
    EXPECT_EQ(s[13], 0x51); // last_table_id: days 4 to 7 are in the second table
    EXPECT_LE(s[6], s[7]);
    EXPECT_EQ(s[6] / 8, s[12] / 8); // segment_last_section_number stays in its segment
    for (std::size_t at = 14; at + 12 <= s.size() - 4; at += 12 + (Read16(s, at + 10) & 0x0FFF)) {
      events.insert(Read16(s, at));
    }
  }
  EXPECT_EQ(tables, (std::set<std::uint8_t>{0x50, 0x51}));
  EXPECT_EQ(events.size(), 14u); // two events a day for seven days
  EXPECT_TRUE(events.count(1) && events.count(6002));
}

} // namespace
} // namespace qev::tsgen::test
