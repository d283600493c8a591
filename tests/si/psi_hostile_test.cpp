// Damaged and extreme sections for each parser and the collector. The sections are exact-size
// heap vectors, so the sanitizer build reports any byte read beyond them.

#include "data/transponder_list.h"
#include "section.h"
#include "si/crc32_mpeg.h"
#include "si/psi_parsers.h"
#include "si/section_collector.h"

#include <gtest/gtest.h>

namespace qev::si {
namespace {

using data::TChannelRec;
using tsgen::Bytes;
using tsgen::ByteWriter;

constexpr std::size_t kMaxBody = 4096 - 12; // the body of a 4096-byte section

Bytes Section(std::uint8_t tableId, const Bytes &body) {
  return tsgen::LongSection({.tableId = tableId, .extension = 0x0444}, body, tableId >= 0x40);
}

// The parsers do not check the CRC: these bytes arrive where it sits and must never count as
// table data.
Bytes WithCrcBytes(Bytes section, const Bytes &crc) {
  std::copy(crc.begin(), crc.end(), section.end() - 4);
  return section;
}

Bytes Pat(int entries) {
  ByteWriter body;
  for (int i = 0; i < entries; ++i) {
    body.Put16(static_cast<unsigned>(i + 1));
    body.Put16(0xE000 | static_cast<unsigned>(0x100 + i % 0x1000));
  }
  return Section(0x00, body.Take());
}

std::vector<TChannelRec> ParsedPat(const Bytes &section) {
  std::vector<TChannelRec> list;
  ParsePat(section, list);
  return list;
}

TEST(HostilePat, CrcZeroEntriesOverstatedLengthAndFullSection) {
  EXPECT_EQ(ParsedPat(WithCrcBytes(Pat(1), {0x01, 0x23, 0xE1, 0x00})).size(), 1u);
  EXPECT_TRUE(ParsedPat(Pat(0)).empty());
  // The length claims 400 bytes more, the delivery ends inside the third entry.
  Bytes pat = Pat(3);
  tsgen::BreakLength(pat, 400);
  EXPECT_EQ(ParsedPat(Bytes(pat.begin(), pat.begin() + 8 + 10)).size(), 2u);
  const Bytes full = Pat(static_cast<int>(kMaxBody / 4));
  ASSERT_EQ(full.size(), 4096u);
  const auto list = ParsedPat(full);
  ASSERT_EQ(list.size(), kMaxBody / 4);
  EXPECT_EQ(list.back().SID, kMaxBody / 4);
}

// A PMT with the given program descriptors and stream loop.
Bytes Pmt(const Bytes &program, const Bytes &streams) {
  ByteWriter body;
  body.Put16(0xE000 | 0x100);
  body.Put16(0xF000 | static_cast<unsigned>(program.size()));
  body.PutBytes(program);
  body.PutBytes(streams);
  return Section(0x02, body.Take());
}

void PutStream(ByteWriter &out, std::uint8_t type, std::uint16_t pid, const Bytes &descriptors,
               std::size_t claimed) {
  out.Put8(type);
  out.Put16(0xE000 | pid);
  out.Put16(0xF000 | static_cast<unsigned>(claimed));
  out.PutBytes(descriptors);
}
void PutStream(ByteWriter &out, std::uint8_t type, std::uint16_t pid, const Bytes &descriptors) {
  PutStream(out, type, pid, descriptors, descriptors.size());
}

TEST(HostilePmt, DescriptorsReachingIntoTheCrcAreNotApplied) {
  // The AC-3 descriptor's length byte is the loop's last; its two body bytes would be the CRC.
  ByteWriter streams;
  PutStream(streams, 0x06, 0x200, {0x6A, 0x02}, 6);
  TChannelRec rec{};
  ParsePmt(Pmt({}, streams.Data()), rec);
  ASSERT_EQ(rec.EsCount, 1);
  EXPECT_EQ(rec.EsList[0].Kind, data::kKindUnknown);
  EXPECT_EQ(rec.Ac3Pid, 0);

  // A program_info_length past the section: the CA descriptor is cut, no stream follows.
  TChannelRec program{};
  const Bytes ca = {0x09, 0x04, 0x0B, 0x00, 0xE0, 0x40};
  Bytes pmt = Pmt(ca, {});
  pmt[11] = 0xFF;
  ParsePmt(WithCrcBytes(pmt, {0x03, 0xE1, 0x00, 0xF0}), program);
  EXPECT_EQ(program.CaCount, 1);
  EXPECT_EQ(program.EsCount, 0);
}

TEST(HostilePmt, EmptyLoopsAndAFullSectionOfStreams) {
  ByteWriter streams;
  PutStream(streams, 0x02, 0x101, {});
  PutStream(streams, 0x04, 0x102, {});
  TChannelRec rec{};
  ParsePmt(Pmt({}, streams.Data()), rec);
  EXPECT_EQ(rec.EsCount, 2);
  EXPECT_EQ(rec.VidPid, 0x101);
  EXPECT_EQ(rec.AudPid, 0x102);

  // 4096 bytes of streams, each with a CA descriptor: the lists stop at 16.
  ByteWriter many;
  for (std::uint16_t i = 0; many.Size() + 11 <= kMaxBody - 4; ++i)
    PutStream(many, 0x03, static_cast<std::uint16_t>(0x400 + i),
              {0x09, 0x04, 0x0B, 0x00, static_cast<std::uint8_t>(0xE0 | i >> 8),
               static_cast<std::uint8_t>(i)});
  const Bytes full = Pmt({}, many.Data());
  ASSERT_LE(full.size(), 4096u);
  TChannelRec big{};
  ParsePmt(full, big);
  EXPECT_EQ(big.EsCount, data::kMaxEsItems);
  EXPECT_EQ(big.CaCount, data::kMaxCaItems);
}

TEST(HostilePmt, TeletextAndSecaEntriesStopAtSixteen) {
  Bytes ttx = {0x56, 0};
  for (int i = 0; i < 40; ++i)
    ttx.insert(ttx.end(), {'e', 'n', 'g', 0x09, static_cast<std::uint8_t>(i)});
  ttx[1] = static_cast<std::uint8_t>(ttx.size() - 2);
  ByteWriter streams;
  PutStream(streams, 0x03, 0x101, {});
  PutStream(streams, 0x06, 0x102, ttx);
  // Seca's largest descriptor: 16 entries of 15 bytes from its ECM field on, then one more
  // system that finds the list full.
  Bytes ca = {0x09, 0, 0x01, 0x00};
  for (int i = 0; i < 16; ++i) {
    Bytes entry(15, 0xFF);
    entry[0] = 0xE0, entry[1] = static_cast<std::uint8_t>(0x30 + i), entry[2] = 0, entry[3] = 1;
    ca.insert(ca.end(), entry.begin(), entry.end());
  }
  ca[1] = static_cast<std::uint8_t>(ca.size() - 2);
  ca.insert(ca.end(), {0x09, 0x04, 0x0B, 0x00, 0xE0, 0x50});
  TChannelRec rec{};
  ParsePmt(Pmt(ca, streams.Data()), rec);
  EXPECT_EQ(rec.EsCount, data::kMaxEsItems);
  EXPECT_EQ(rec.EsList[15].Pid, 0x102);
  EXPECT_EQ(rec.EsList[15].TtxPage, 114); // the 15th entry: magazine 1, page byte 14
  EXPECT_EQ(rec.CaCount, data::kMaxCaItems);
  EXPECT_EQ(rec.CaList[15].EcmPid, 0x3F);
  EXPECT_EQ(rec.EcmPid, 0x30);
}

Bytes CatOf(const Bytes &descriptors) { return Section(0x01, descriptors); }

TEST(HostileCat, CrcDescriptorsCutDescriptorsAndAFullSection) {
  TCatList cat{};
  ParseCat(WithCrcBytes(CatOf({}), {0x09, 0x02, 0x05, 0x00}), cat);
  EXPECT_EQ(cat.Count, 0u);
  // A descriptor claiming more than the section holds ends the walk.
  ParseCat(CatOf({0x09, 0x04, 0x05, 0x00, 0xE0, 0x20, 0x09, 0x20, 0x06, 0x00}), cat);
  ASSERT_EQ(cat.Count, 1u);
  EXPECT_EQ(cat.Items[0].EmmPid, 0x20);

  // One long descriptor: its raw copy stops at 64 bytes.
  Bytes longOne = {0x09, 200, 0x05, 0x00, 0xE0, 0x21};
  longOne.resize(202, 0xAA);
  TCatList raw{};
  ParseCat(CatOf(longOne), raw);
  ASSERT_EQ(raw.Count, 1u);
  EXPECT_EQ(raw.Items[0].Length, 200);
  EXPECT_EQ(raw.Items[0].StoredLength, kCatRawBytes);

  Bytes many;
  while (many.size() + 6 <= kMaxBody)
    many.insert(many.end(), {0x09, 0x04, 0x05, 0x00, 0xE0, 0x22});
  TCatList full{};
  ParseCat(CatOf(many), full);
  EXPECT_EQ(full.Count, static_cast<std::uint32_t>(kMaxCatItems));
}

// An SDT with one service per descriptor loop.
Bytes Sdt(const std::vector<Bytes> &loops) {
  ByteWriter body;
  body.Put16(1);
  body.Put8(0xFF);
  for (std::size_t i = 0; i < loops.size(); ++i) {
    body.Put16(static_cast<unsigned>(0x100 + i));
    body.Put8(0xFD);
    body.Put16(0x8000 | static_cast<unsigned>(loops[i].size()));
    body.PutBytes(loops[i]);
  }
  return Section(0x42, body.Take());
}

TEST(HostileSdt, EmptyLoopsNamesIntoTheCrcAndAFullSection) {
  std::vector<TChannelRec> scan(300);
  const TRecordFinder find = [&](std::uint16_t, std::uint16_t sid) -> TChannelRec * {
    return sid >= 0x100 && sid < 0x100 + scan.size() ? &scan[sid - 0x100] : nullptr;
  };
  ParseSdt(Sdt({{}, {}}), find);
  EXPECT_EQ(scan[1].EitFlags, 1);
  EXPECT_EQ(scan[1].ChName[0], '\0');

  // The service descriptor's last byte would be the CRC's first.
  ParseSdt(Sdt({{0x48, 8, 1, 1, 'P', 5, 'N', 'a', 'm'}}), find);
  EXPECT_EQ(scan[0].ChName[0], '\0');

  std::vector<Bytes> loops;
  const Bytes service = {0x48, 7, 1, 1, 'P', 3, 'N', 'm', 'e'};
  for (std::size_t size = 3; size + 5 + service.size() <= kMaxBody; size += 5 + service.size())
    loops.push_back(service);
  const Bytes full = Sdt(loops);
  ASSERT_GE(full.size(), 4080u);
  ParseSdt(full, find);
  EXPECT_EQ(data::ChName(scan[loops.size() - 1]), "Nme");
}

Bytes Nit(const Bytes &network, const Bytes &transports, int transportLoopExtra = 0) {
  ByteWriter body;
  body.Put16(0xF000 | static_cast<unsigned>(network.size()));
  body.PutBytes(network);
  body.Put16(0xF000 |
             static_cast<unsigned>(static_cast<int>(transports.size()) + transportLoopExtra));
  body.PutBytes(transports);
  return Section(0x40, body.Take());
}

Bytes Transport(std::uint16_t tsid, const Bytes &descriptors) {
  ByteWriter t;
  t.Put16(tsid);
  t.Put16(1);
  t.Put16(0xF000 | static_cast<unsigned>(descriptors.size()));
  t.PutBytes(descriptors);
  return t.Take();
}

Bytes Delivery(std::uint8_t mhzTens) {
  return {0x43, 11, 0x01, mhzTens, 0x00, 0x00, 0x01, 0x92, 0x81, 0x02, 0x75, 0x00, 0x03};
}

TEST(HostileNit, EmptyLoopsCutNamesAndTransportsIntoTheCrc) {
  data::TSatTransponders list;
  ParseNit(Nit({}, {}), list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Name.empty());

  ParseNit(Nit({0x40, 40, 'N', 'e', 't'}, {}), list);
  EXPECT_TRUE(list.Name.empty()); // the name's length points past the network loop
  ParseNit(Nit({}, Transport(1, Delivery(0x17))), list);
  EXPECT_EQ(list.Count(), 1);

  // A transport whose loop length reaches into the CRC: its descriptor header lies there.
  data::TSatTransponders crc;
  Bytes t = Transport(2, {});
  t[5] = 2;
  ParseNit(WithCrcBytes(Nit({}, t, 0), {0x43, 0x0B, 0x01, 0x17}), crc);
  EXPECT_EQ(crc.Count(), 0);
}

TEST(HostileNit, FullSectionOfTransponders) {
  Bytes transports;
  for (std::uint8_t i = 0; transports.size() + 19 <= kMaxBody - 4; ++i) {
    const Bytes one = Transport(i, Delivery(static_cast<std::uint8_t>(0x10 + i % 0x60)));
    transports.insert(transports.end(), one.begin(), one.end());
  }
  const Bytes full = Nit({}, transports);
  ASSERT_GE(full.size(), 4070u);
  data::TSatTransponders list;
  ParseNit(full, list);
  EXPECT_GT(list.Count(), 0);
  EXPECT_EQ(list.PositionText, "0192");
}

TEST(HostileCollector, LongestSectionKeptOversizedAndShortFormDropped) {
  const Bytes longest = Section(0x42, Bytes(kMaxBody, 0x5A));
  ASSERT_EQ(longest.size(), 4096u);
  EXPECT_EQ(ValidSection(longest).size(), 4096u);

  // A delivery with bytes after the section: only the section is kept.
  Bytes padded = Section(0x42, Bytes(10, 1));
  const std::size_t size = padded.size();
  padded.resize(size + 20, 0xFF);
  SectionCollector collector({0x42, 0x0444, 0xFFFF});
  collector.Accept(padded);
  ASSERT_TRUE(collector.Complete());
  EXPECT_EQ(collector.TakeSections().front().size(), size);

  // section_length 4095 claims 4098 bytes, beyond the largest legal section, though the CRC
  // over them is right.
  Bytes oversized(4098, 0x5A);
  oversized[0] = 0x42, oversized[1] = 0xBF, oversized[2] = 0xFF, oversized[5] = 0xC1;
  oversized[6] = 0, oversized[7] = 0;
  oversized.resize(4094);
  const std::uint32_t crc = Crc32Mpeg(oversized);
  for (int shift = 24; shift >= 0; shift -= 8)
    oversized.push_back(static_cast<std::uint8_t>(crc >> shift));
  EXPECT_TRUE(ValidSection(oversized).empty());

  Bytes shortForm = longest;
  shortForm[1] &= 0x7F;
  EXPECT_TRUE(ValidSection(shortForm).empty());
  EXPECT_TRUE(ValidSection(Bytes{0x42, 0xB0}).empty());
}

} // namespace
} // namespace qev::si
