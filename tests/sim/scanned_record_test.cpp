// What the demo root's builder makes of described services: the record a scan of their tables
// gives.
#include "data/channel_rec.h"
#include "scanned_record.h"

#include <gtest/gtest.h>

using namespace qev;
using sim::demo::ScannedRecord;
using sim::demo::TScanRules;

namespace {

class ScannedRecordTest : public ::testing::Test {
protected:
  ScannedRecordTest() {
    stream.transportStreamId = 0x0401;
    service.serviceId = 0x1A2B;
    service.pmtPid = 0x0100;
    service.pcrPid = 0x0101;
    service.name = "Channel";
    service.provider = "Provider";
  }

  tsgen::Stream &Add(tsgen::StreamKind kind, std::uint16_t pid, std::string language = {}) {
    tsgen::Stream s;
    s.kind = kind;
    s.pid = pid;
    s.language = std::move(language);
    service.streams.push_back(s);
    return service.streams.back();
  }

  data::TChannelRec Scan() {
    return ScannedRecord(data::MakeTransponder(11778, 'V', 27500), stream, service, 3, rules);
  }

  static const data::TEsItem *Find(const data::TChannelRec &rec, std::uint8_t kind,
                                   std::string_view lang) {
    for (int i = 0; i < rec.EsCount; ++i) {
      if (rec.EsList[i].Kind == kind && data::EsLang(rec.EsList[i]) == lang)
        return &rec.EsList[i];
    }
    return nullptr;
  }

  tsgen::Transponder stream;
  tsgen::Service service;
  TScanRules rules;
};

TEST_F(ScannedRecordTest, TuningFieldsComeFromTheTransponderTunedAndTheTables) {
  service.eitSchedule = false;
  const data::TChannelRec rec = Scan();
  EXPECT_EQ(rec.Freq, 11778000u);
  EXPECT_EQ(rec.SRate, 27500);
  EXPECT_EQ(rec.Polar, 'V');
  EXPECT_EQ(rec.TID, 0x0401);
  EXPECT_EQ(rec.SID, 0x1A2B);
  EXPECT_EQ(rec.PmtPid, 0x0100);
  EXPECT_EQ(rec.PcrPid, 0x0101);
  EXPECT_EQ(rec.SatIndex, 3);
  EXPECT_EQ(rec.VolAdj, 100);
  EXPECT_EQ(rec.Categ, 0);
  EXPECT_EQ(rec.EitFlags, 1);
  EXPECT_EQ(rec.TimeAdd, 0);
  EXPECT_EQ(data::ChName(rec), "Channel");
  EXPECT_EQ(data::FixedText(rec.ChProv), "Provider");
}

TEST_F(ScannedRecordTest, TeletextEntriesShareTheirStreamsPid) {
  tsgen::Stream &ttx = Add(tsgen::StreamKind::Teletext, 0x0104);
  ttx.teletext = {{"eng", tsgen::TeletextType::Initial, 100},
                  {"ger", tsgen::TeletextType::Subtitle, 150},
                  {"fre", tsgen::TeletextType::HearingImpairedSubtitle, 888}};
  const data::TChannelRec rec = Scan();
  ASSERT_EQ(rec.EsCount, 3);
  EXPECT_EQ(rec.TtxPid, 0x0104);
  const data::TEsItem *eng = Find(rec, data::kKindTeletext, "ENG");
  const data::TEsItem *ger = Find(rec, data::kKindSubtitle, "GER");
  const data::TEsItem *fre = Find(rec, data::kKindSubtitle, "FRE");
  ASSERT_TRUE(eng && ger && fre);
  EXPECT_EQ(eng->TtxPage, 100);
  EXPECT_EQ(ger->TtxPage, 150);
  EXPECT_EQ(fre->TtxPage, 888);
  EXPECT_EQ(fre->Pid, 0x0104);
  EXPECT_EQ(fre->StreamType, 6);
  EXPECT_EQ(&rec.EsList[0], eng) << "sorted by kind";
}

TEST_F(ScannedRecordTest, AudioPidsAndThePreferredLanguage) {
  Add(tsgen::StreamKind::MpegAudio, 0x0102, "ger");
  Add(tsgen::StreamKind::MpegAudio, 0x0103, "eng");
  Add(tsgen::StreamKind::Ac3Audio, 0x0105, "eng");
  Add(tsgen::StreamKind::AacAudio, 0x0106, "spa");
  data::TChannelRec rec = Scan();
  EXPECT_EQ(rec.EsCount, 4) << "AAC is sound as well";
  EXPECT_EQ(Find(rec, data::kKindAudio, "SPA")->StreamType, 0x0F);
  EXPECT_EQ(rec.Ac3Pid, 0x0105);
  EXPECT_EQ(Find(rec, data::kKindAc3, "ENG")->Pid, 0x0105);
  EXPECT_EQ(rec.AudPid, 0x0103) << "ENG before GER in the default preference";
  rules.Scanning.SetPrefAudLang = false;
  rec = Scan();
  EXPECT_EQ(rec.AudPid, 0x0102) << "the first audio stream";
}

TEST_F(ScannedRecordTest, AacRadioStaysRadioAndEac3CountsAsAc3) {
  service.type = 2;
  Add(tsgen::StreamKind::AacAudio, 0x0401, "eng");
  Add(tsgen::StreamKind::Eac3Audio, 0x0402, "eng");
  const data::TChannelRec rec = Scan();
  EXPECT_EQ(rec.SrvType, 2);
  EXPECT_EQ(rec.AudPid, 0x0401);
  EXPECT_EQ(rec.Ac3Pid, 0x0402);
  EXPECT_EQ(Find(rec, data::kKindAc3, "ENG")->Pid, 0x0402);
}

TEST_F(ScannedRecordTest, HdVideoIsRecordedSoTheServiceStaysTv) {
  service.type = 0x19;
  Add(tsgen::StreamKind::H264Video, 0x0201);
  Add(tsgen::StreamKind::MpegAudio, 0x0202, "eng");
  data::TChannelRec rec = Scan();
  EXPECT_EQ(rec.VidPid, 0x0201);
  EXPECT_EQ(rec.EsList[0].StreamType, 0x1B);
  EXPECT_EQ(rec.EsList[0].Kind, data::kKindVideo);
  EXPECT_EQ(rec.SrvType, 1);
  rules.Scanning.ChangeData2TV = false;
  EXPECT_EQ(Scan().SrvType, 0x19);
}

TEST_F(ScannedRecordTest, ServiceTypeFollowsTheStreamsFound) {
  Add(tsgen::StreamKind::MpegAudio, 0x0102, "eng");
  EXPECT_EQ(Scan().SrvType, 2) << "TV without video";
  service.streams.clear();
  service.type = 2;
  EXPECT_EQ(Scan().SrvType, 0) << "radio without audio";
  service.type = 0x0C;
  EXPECT_EQ(Scan().SrvType, 0x0C);
}

TEST_F(ScannedRecordTest, CaSystemsAsTheirDescriptorsCarryThem) {
  service.ca = {{0x0100, 0x0310, {0x0065, 0x0066}},
                {0x0100, 0x0310, {0x0065}},
                {0x0500, 0x0311, {0x00811F}},
                {0x0B00, 0x0312, {}}};
  stream.emms = {{0x0500, 0x0021}};
  const data::TChannelRec rec = Scan();
  ASSERT_EQ(rec.CaCount, 4) << "the repeated Seca entry adds nothing";
  EXPECT_EQ(rec.Encrypted, 1);
  EXPECT_EQ(rec.EcmPid, 0x0310);
  EXPECT_EQ(rec.CaList[0].ProvId, 0x0065u);
  EXPECT_EQ(rec.CaList[1].ProvId, 0x0066u);
  EXPECT_EQ(rec.CaList[2].ProvId, 0x008110u) << "the last nibble is not the provider's";
  EXPECT_EQ(rec.CaList[2].EmmPid, 0x0021);
  EXPECT_EQ(rec.CaList[3].CaId, 0x0B00);
  EXPECT_EQ(rec.CaList[3].EcmPid, 0x0312);
}

TEST_F(ScannedRecordTest, NamesAreDecodedTrimmedAndCutAtACharacter) {
  service.charset = tsgen::Charset::Named("cyrillic");
  service.name = "  Очень длинное имя канала  ";
  data::TChannelRec rec = Scan();
  EXPECT_EQ(data::ChName(rec), "Очень длинное");
  service.name = "";
  EXPECT_EQ(data::ChName(Scan()), "(empty) SID 1A2B");
  service.name = "Reference";
  service.type = 4;
  rec = Scan();
  EXPECT_EQ(data::ChName(rec), "(empty) SID 1A2B") << "an NVOD reference is left alone";
  EXPECT_EQ(rec.SrvType, 0);
}

} // namespace
