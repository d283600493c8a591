#include "si/psi_parsers.h"

#include "data/transponder_list.h"
#include "psi_tables.h"
#include "section.h"
#include "si_tables.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <random>

namespace qev::si {
namespace {

tsgen::Stream StreamOf(tsgen::StreamKind kind, std::uint16_t pid, std::string language = {}) {
  tsgen::Stream stream;
  stream.kind = kind;
  stream.pid = pid;
  stream.language = std::move(language);
  return stream;
}

tsgen::Service ServiceOf(std::uint16_t sid, std::uint8_t type, std::string name) {
  tsgen::Service service;
  service.serviceId = sid;
  service.type = type;
  service.name = std::move(name);
  service.provider = "QEV";
  return service;
}

using data::TChannelRec;
using tsgen::Bytes;
using tsgen::ByteWriter;

Bytes Section(std::uint8_t tableId, std::uint16_t extension, const ByteWriter &body) {
  return tsgen::LongSection({.tableId = tableId, .extension = extension}, body.Data(),
                            tableId >= 0x40);
}

// A PMT of one service with the given raw stream loop and no program descriptors.
Bytes Pmt(const ByteWriter &streams) {
  ByteWriter body;
  body.Put16(0xE000 | 0x100); // PCR PID
  body.Put16(0xF000);
  body.PutBytes(streams.Data());
  return Section(0x02, 1, body);
}

void PutStream(ByteWriter &out, std::uint8_t type, std::uint16_t pid, const Bytes &descriptors) {
  out.Put8(type);
  out.Put16(0xE000 | pid);
  out.Put16(0xF000 | descriptors.size());
  out.PutBytes(descriptors);
}

Bytes CaDescriptor(std::uint16_t caId, std::uint16_t ecm, const Bytes &rest) {
  Bytes d = {0x09,
             static_cast<std::uint8_t>(4 + rest.size()),
             static_cast<std::uint8_t>(caId >> 8),
             static_cast<std::uint8_t>(caId),
             static_cast<std::uint8_t>(0xE0 | ecm >> 8),
             static_cast<std::uint8_t>(ecm)};
  // resize and copy rather than insert: GCC 12 takes an insert here for an overflow.
  d.resize(6 + rest.size());
  std::copy(rest.begin(), rest.end(), d.begin() + 6);
  return d;
}

TEST(ParsePat, SkipsTheNetworkPidAndAddsOneRecordPerService) {
  ByteWriter body;
  for (auto [program, pid] : {std::pair{0, 0x10}, {0x101, 0x200}, {0x102, 0x300}}) {
    body.Put16(program);
    body.Put16(0xE000 | pid);
  }
  std::vector<TChannelRec> list;
  ParsePat(Section(0x00, 0x0444, body), list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].TID, 0x0444);
  EXPECT_EQ(list[0].SID, 0x101);
  EXPECT_EQ(list[0].PmtPid, 0x200);
  EXPECT_EQ(list[1].PmtPid, 0x300);
  EXPECT_EQ(list[1].Freq, 0u);
  const auto jobs = PmtJobs(list);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].Pid, 0x300);
  EXPECT_EQ(jobs[1].Sid, 0x102);
}

TEST(ParsePmt, HdServiceGetsItsVideoAudioAc3AndTeletextPids) {
  tsgen::Service service;
  service.serviceId = 7;
  service.pcrPid = 0x101;
  service.streams = {StreamOf(tsgen::StreamKind::H264Video, 0x101),
                     StreamOf(tsgen::StreamKind::AacAudio, 0x102, "deu"),
                     StreamOf(tsgen::StreamKind::Eac3Audio, 0x103, "eng"),
                     StreamOf(tsgen::StreamKind::Teletext, 0x104)};
  service.streams.back().teletext = {{.language = "deu", .page = 150}};
  TChannelRec rec{};
  ParsePmt(tsgen::BuildPmt(service), rec);
  EXPECT_EQ(rec.PcrPid, 0x101);
  EXPECT_EQ(rec.VidPid, 0x101);
  EXPECT_EQ(rec.AudPid, 0x102);
  EXPECT_EQ(rec.Ac3Pid, 0x103);
  EXPECT_EQ(rec.TtxPid, 0x104);
  ASSERT_EQ(rec.EsCount, 4);
  EXPECT_EQ(rec.EsList[0].Kind, data::kKindVideo);
  EXPECT_EQ(rec.EsList[1].Kind, data::kKindAudio);
  EXPECT_EQ(data::EsLang(rec.EsList[1]), "DEU");
  EXPECT_EQ(rec.EsList[2].Kind, data::kKindAc3);
  EXPECT_EQ(rec.EsList[3].Kind, data::kKindTeletext);
  EXPECT_EQ(rec.EsList[3].TtxPage, 150);

  tsgen::Service hevc;
  hevc.streams = {StreamOf(tsgen::StreamKind::HevcVideo, 0x201)};
  TChannelRec uhd{};
  ParsePmt(tsgen::BuildPmt(hevc), uhd);
  EXPECT_EQ(uhd.VidPid, 0x201);
}

TEST(ParsePmt, Ac3AfterMpegAudioKeepsAudPidAndUnknownTypesAreNotRecorded) {
  ByteWriter streams;
  PutStream(streams, 0x03, 0x200, {});
  PutStream(streams, 0x06, 0x201, {0x6A, 0x01, 0x00});
  PutStream(streams, 0x86, 0x202, {});        // SCTE-35: not recorded
  PutStream(streams, 0x06, 0x203, {0xC1, 0}); // user defined
  TChannelRec rec{};
  ParsePmt(Pmt(streams), rec);
  EXPECT_EQ(rec.AudPid, 0x200);
  EXPECT_EQ(rec.Ac3Pid, 0x201);
  ASSERT_EQ(rec.EsCount, 3);
  EXPECT_EQ(rec.EsList[1].Kind, data::kKindAc3);
  EXPECT_EQ(rec.EsList[2].Kind, data::kKindUser);
  EXPECT_EQ(rec.VidPid, 0);
}

TEST(ParsePmt, TeletextEntriesBecomeOneEsEntryEach) {
  const Bytes ttx = {0x56, 15,   'e',  'n', 'g', 0x09, 0x00, 'g', 'e',
                     'r',  0x11, 0x50, 'f', 'r', 'e',  0x28, 0x88};
  ByteWriter streams;
  PutStream(streams, 0x06, 0x300, ttx);
  TChannelRec rec{};
  ParsePmt(Pmt(streams), rec);
  ASSERT_EQ(rec.EsCount, 3);
  const std::pair<const char *, int> want[] = {{"ENG", 100}, {"GER", 150}, {"FRE", 888}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rec.EsList[i].Pid, 0x300);
    EXPECT_EQ(rec.EsList[i].StreamType, 0x06);
    EXPECT_EQ(data::EsLang(rec.EsList[i]), want[i].first);
    EXPECT_EQ(rec.EsList[i].TtxPage, want[i].second);
  }
  EXPECT_EQ(rec.EsList[0].Kind, data::kKindTeletext);
  EXPECT_EQ(rec.EsList[1].Kind, data::kKindSubtitle);
  EXPECT_EQ(rec.EsList[2].Kind, data::kKindSubtitle);
  EXPECT_EQ(rec.TtxPid, 0x300);
}

TEST(ParsePmt, ListsStopAtSixteenEntries) {
  ByteWriter streams;
  for (int i = 0; i < 20; ++i)
    PutStream(streams, 0x03, static_cast<std::uint16_t>(0x400 + i),
              CaDescriptor(0x0B00, static_cast<std::uint16_t>(0x500 + i), {}));
  TChannelRec rec{};
  ParsePmt(Pmt(streams), rec);
  EXPECT_EQ(rec.EsCount, data::kMaxEsItems);
  EXPECT_EQ(rec.CaCount, data::kMaxCaItems);
  EXPECT_EQ(rec.EcmPid, 0x500);
}

Bytes ProgramCaPmt(const Bytes &ca) {
  ByteWriter body;
  body.Put16(0xE100);
  body.Put16(0xF000 | ca.size());
  body.PutBytes(ca);
  return Section(0x02, 1, body);
}

TEST(ParsePmt, SecaEntriesAreAddedOnceAndViaccessProvidersAreRead) {
  Bytes entries(30, 0xFF);
  entries[0] = 0xE0, entries[1] = 0x31, entries[2] = 0x00, entries[3] = 0x70;
  entries[15] = 0xE0, entries[16] = 0x32, entries[17] = 0x00, entries[18] = 0x71;
  // The descriptor's own ECM field is the first entry's.
  Bytes seca = CaDescriptor(0x0100, 0x31, {});
  seca.resize(4);
  seca.insert(seca.end(), entries.begin(), entries.end());
  seca[1] = static_cast<std::uint8_t>(seca.size() - 2);
  TChannelRec rec{};
  ParsePmt(ProgramCaPmt(seca), rec);
  ParsePmt(ProgramCaPmt(seca), rec);
  ASSERT_EQ(rec.CaCount, 2);
  EXPECT_EQ(rec.CaList[0].EcmPid, 0x31);
  EXPECT_EQ(rec.CaList[0].ProvId, 0x70u);
  EXPECT_EQ(rec.CaList[1].EcmPid, 0x32);
  EXPECT_EQ(rec.CaList[1].ProvId, 0x71u);
  EXPECT_EQ(rec.EcmPid, 0x31);

  TChannelRec via{};
  ParsePmt(ProgramCaPmt(CaDescriptor(0x0500, 0x40, {0x14, 3, 0x00, 0x81, 0x1F})), via);
  ASSERT_EQ(via.CaCount, 1);
  EXPECT_EQ(via.CaList[0].ProvId, 0x008110u);

  TChannelRec other{};
  ParsePmt(ProgramCaPmt(CaDescriptor(0x0B00, 0x41, {})), other);
  ASSERT_EQ(other.CaCount, 1);
  EXPECT_EQ(other.CaList[0].ProvId, 0u);
}

TEST(CaAdd, RefusesDuplicatesAndEntriesWithoutProviderCoverAll) {
  TChannelRec rec{};
  EXPECT_TRUE(CaAdd(rec, 0x0100, 0x30, 0));
  EXPECT_FALSE(CaAdd(rec, 0x0100, 0x30, 0x70)); // the entry without provider covers it
  EXPECT_TRUE(CaAdd(rec, 0x0500, 0x30, 0x10));
  EXPECT_FALSE(CaAdd(rec, 0x0500, 0x30, 0x10));
  EXPECT_TRUE(CaAdd(rec, 0x0500, 0x30, 0x20));
  EXPECT_EQ(rec.CaCount, 3);
}

Bytes Sdt(std::uint16_t tid, std::uint16_t sid, std::uint8_t eitFlags, bool freeCa,
          const Bytes &descriptors) {
  ByteWriter body;
  body.Put16(1);
  body.Put8(0xFF);
  body.Put16(sid);
  body.Put8(0xFC | eitFlags);
  body.Put16((freeCa ? 0x9000 : 0x8000) | descriptors.size());
  body.PutBytes(descriptors);
  return Section(0x42, tid, body);
}

TEST(ParseSdt, NamesTheServicesTheScanKnowsAndLeavesTheirCaListAlone) {
  tsgen::Transponder tp;
  tp.transportStreamId = 0x0444;
  tp.services = {ServiceOf(0x101, 1, "Demo One"), ServiceOf(0x102, 2, "Demo Radio")};
  std::vector<TChannelRec> scan(1);
  scan[0].TID = 0x0444;
  scan[0].SID = 0x102;
  const auto find = [&](std::uint16_t tid, std::uint16_t sid) -> TChannelRec * {
    for (TChannelRec &rec : scan)
      if (rec.TID == tid && rec.SID == sid)
        return &rec;
    return nullptr;
  };
  for (const Bytes &section : tsgen::BuildSdtActual(tp))
    ParseSdt(section, find);
  EXPECT_EQ(data::ChName(scan[0]), "Demo Radio");
  EXPECT_EQ(data::FixedText(scan[0].ChProv), "QEV");
  EXPECT_EQ(scan[0].SrvType, 2);
  EXPECT_EQ(scan[0].EitFlags, 3);

  ParseSdt(Sdt(0x0444, 0x102, 1, true, CaDescriptor(0x0500, 0x40, {})), find);
  EXPECT_EQ(scan[0].EitFlags, 1);
  EXPECT_EQ(scan[0].Encrypted, 1);
  EXPECT_EQ(scan[0].CaCount, 0);
  EXPECT_EQ(scan[0].EcmPid, 0);
}

TEST(ParseSdt, NvodReferenceTimeShiftAndUnknownServices) {
  TChannelRec rec{};
  rec.TID = 5;
  rec.SID = 9;
  ParseSdtOne(Sdt(5, 9, 0, false, {0x48, 5, 4, 1, 'P', 1, 'N'}), rec);
  EXPECT_EQ(rec.ChName[0], '\0');
  EXPECT_EQ(rec.SrvType, 0);
  ParseSdtOne(Sdt(5, 9, 0, false, {0x4C, 2, 0x1A, 0x2B}), rec);
  EXPECT_EQ(data::ChName(rec), "TimeShift - 1A2B");
  EXPECT_EQ(rec.SrvType, 5);

  const TChannelRec before = rec;
  ParseSdtOne(Sdt(5, 10, 3, true, {0x48, 5, 1, 1, 'P', 1, 'N'}), rec);
  ParseSdtOne(Sdt(6, 9, 3, true, {0x48, 5, 1, 1, 'P', 1, 'N'}), rec);
  EXPECT_TRUE(data::ChEqual(rec, before));
  EXPECT_EQ(rec.EitFlags, 0);
}

TEST(ParseSdt, NamesAreCutTo29Bytes) {
  Bytes d = {0x48, 0, 1, 0, 40};
  d.insert(d.end(), 40, 'x');
  d[1] = static_cast<std::uint8_t>(d.size() - 2);
  TChannelRec rec{};
  rec.SID = 9;
  ParseSdtOne(Sdt(0, 9, 0, false, d), rec);
  EXPECT_EQ(data::ChName(rec), std::string(29, 'x'));
}

TEST(ParseNit, DeliveryDescriptorAddsATransponderAndNamesThePosition) {
  ByteWriter body;
  body.Put16(0xF000 | 6);
  body.PutBytes(Bytes{0x40, 4, 'N', 'e', 't', '1'});
  const auto loop = body.BeginLength(12, 0xF);
  body.Put16(1);
  body.Put16(1);
  body.Put16(0xF000 | 13);
  body.PutBytes(Bytes{0x43, 11, 0x01, 0x17, 0x78, 0x00, 0x01, 0x92, 0x80 | 0x20 | 0x01, 0x02, 0x75,
                      0x00, 0x03});
  body.EndLength(loop);
  data::TSatTransponders list;
  const Bytes section = Section(0x40, 1, body);
  ParseNit(section, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(data::TpText(list.Items()[0]), "11778,V,27500");
  EXPECT_EQ(list.PositionText, "0192");
  EXPECT_EQ(list.Name, "Net1 (19.2E)");
  // A further section of the table names the network again.
  ParseNit(section, list);
  EXPECT_EQ(list.Name, "Net1 (19.2E)");
}

TEST(ParseNit, GeneratedNitOfAWestPosition) {
  tsgen::Transponder tp;
  tp.networkName = "QEV Network";
  tp.delivery.frequencyKhz = 12345670;
  tp.delivery.orbitalTenths = 300;
  tp.delivery.east = false;
  tp.delivery.symbolRate = 22000000;
  data::TSatTransponders list;
  for (const Bytes &section : tsgen::BuildNit(tp))
    ParseNit(section, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(data::TpText(list.Items()[0]), "12346,H,22000");
  EXPECT_EQ(list.PositionText, "3300");
  EXPECT_EQ(list.Name, "QEV Network (30.0W)");
}

TEST(ParseCat, StoresCaDescriptorsUpToEight) {
  std::vector<tsgen::EmmEntry> emms;
  for (int i = 0; i < 10; ++i)
    emms.push_back({static_cast<std::uint16_t>(0x0500 + i), static_cast<std::uint16_t>(0x60 + i)});
  TCatList cat{};
  ParseCat(tsgen::BuildCat(emms), cat);
  ASSERT_EQ(cat.Count, 8u);
  EXPECT_EQ(cat.Items[1].CaSystemId, 0x0501);
  EXPECT_EQ(cat.Items[1].EmmPid, 0x61);
  EXPECT_EQ(cat.Items[1].Length, 4);
  EXPECT_EQ(cat.Items[1].StoredLength, 6);
  EXPECT_EQ(cat.Items[1].Raw[0], 0x09);
}

// Every parser over one section; the sanitizers see any read outside it.
void ParseAll(const Bytes &section) {
  std::vector<TChannelRec> list;
  ParsePat(section, list);
  TChannelRec rec{};
  ParsePmt(section, rec);
  EXPECT_LE(rec.EsCount, data::kMaxEsItems);
  EXPECT_LE(rec.CaCount, data::kMaxCaItems);
  TCatList cat{};
  ParseCat(section, cat);
  EXPECT_LE(cat.Count, 8u);
  ParseSdt(section, [&rec](std::uint16_t, std::uint16_t) { return &rec; });
  data::TSatTransponders tps;
  ParseNit(section, tps);
}

TEST(HostileSections, RandomBytesAndBrokenLengthsStopCleanly) {
  std::mt19937 random(4711);
  for (int n = 0; n < 3000; ++n) {
    // Exact-size heap copies, so that AddressSanitizer catches a byte read beyond one.
    Bytes section(random() % 300);
    for (auto &b : section)
      b = static_cast<std::uint8_t>(random());
    if (section.size() > 3 && n % 2 == 0) {
      section[1] = static_cast<std::uint8_t>(0xB0 | ((section.size() - 3) >> 8));
      section[2] = static_cast<std::uint8_t>(section.size() - 3);
    }
    ParseAll(section);
  }
  tsgen::Service service;
  service.streams = {StreamOf(tsgen::StreamKind::MpegAudio, 0x101, "eng")};
  service.ca = {{.caId = 0x0500, .ecmPid = 0x40, .providers = {0x8110}}};
  const Bytes pmt = tsgen::BuildPmt(service);
  for (int delta : {1, 40, 4000, -1, -5}) {
    Bytes broken = pmt;
    tsgen::BreakLength(broken, delta);
    ParseAll(broken);
  }
  for (std::size_t cut = 0; cut < pmt.size(); ++cut)
    ParseAll(Bytes(pmt.begin(), pmt.begin() + static_cast<std::ptrdiff_t>(cut)));
}

TEST(HostileSections, DescriptorLengthsPastTheLoopAreNotRead) {
  ByteWriter streams;
  PutStream(streams, 0x06, 0x300, {0x56, 200, 'e', 'n', 'g', 0x09, 0x00});
  PutStream(streams, 0x06, 0x301, {0x6A, 0});
  TChannelRec rec{};
  ParsePmt(Pmt(streams), rec);
  ASSERT_EQ(rec.EsCount, 2);
  EXPECT_EQ(rec.TtxPid, 0);
  EXPECT_EQ(rec.Ac3Pid, 0x301);

  // A stream whose ES_info_length runs past the section: the stream is kept, its
  // descriptors are read only as far as they are whole.
  ByteWriter cut;
  cut.Put8(0x03);
  cut.Put16(0xE000 | 0x302);
  cut.Put16(0xF000 | 0x300);
  cut.PutBytes(Bytes{0x0A, 4, 'd', 'e', 'u', 0});
  TChannelRec second{};
  ParsePmt(Pmt(cut), second);
  ASSERT_EQ(second.EsCount, 1);
  EXPECT_EQ(data::EsLang(second.EsList[0]), "DEU");

  TChannelRec sdt{};
  sdt.SID = 9;
  ParseSdtOne(Sdt(0, 9, 0, false, {0x48, 7, 1, 9, 'P', 1, 'N', 0, 0}), sdt);
  EXPECT_EQ(sdt.ChName[0], '\0'); // the provider length points past the descriptor
}

} // namespace
} // namespace qev::si
