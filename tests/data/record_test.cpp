// The channel record's byte layout, its setters and sanitising, and the record operations.
#include "data/channel_handle.h"
#include "data/channel_rec.h"
#include "data/code_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace qev::data;

namespace {

TEsItem Es(std::uint8_t kind, std::uint16_t pid, const char *lang = "") {
  TEsItem item{};
  item.Kind = kind;
  item.StreamType = kind == kKindVideo ? 2 : 4;
  item.Pid = pid;
  SetEsLang(item, lang);
  return item;
}

TCaItem Ca(std::uint16_t caId, std::uint16_t ecm, std::uint32_t prov = 0) {
  return TCaItem{caId, ecm, 0, prov};
}

std::vector<std::uint8_t> Bytes(const TChannelRec &rec) {
  const auto *p = reinterpret_cast<const std::uint8_t *>(&rec);
  return {p, p + sizeof rec};
}

} // namespace

TEST(ChannelRecord, FieldsLandAtTheirByteOffsetsLittleEndian) {
  TChannelRec rec{};
  rec.Freq = 11778000; // 0x00B3B7D0
  rec.SRate = 27500;   // 0x6B6C
  rec.Polar = 'V';
  rec.TID = 0x1234;
  rec.SID = 0xABCD;
  SetChName(rec, "Das Erste");
  rec.CaCount = 1;
  rec.CaList[0] = Ca(0x0B01, 0x0102, 0x80000005);
  rec.TimeAdd = 1.0; // 0x3FF0000000000000
  const std::vector<std::uint8_t> b = Bytes(rec);
  EXPECT_EQ((std::vector<std::uint8_t>(b.begin(), b.begin() + 7)),
            (std::vector<std::uint8_t>{0xD0, 0xB7, 0xB3, 0x00, 0x6C, 0x6B, 'V'}));
  EXPECT_EQ(b[12], 0x34);
  EXPECT_EQ(b[13], 0x12);
  EXPECT_EQ(b[14], 0xCD);
  EXPECT_EQ(b[15], 0xAB);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(&b[53])), "Das Erste");
  EXPECT_EQ(b[254], 1);
  EXPECT_EQ((std::vector<std::uint8_t>(b.begin() + 255, b.begin() + 265)),
            (std::vector<std::uint8_t>{0x01, 0x0B, 0x02, 0x01, 0, 0, 0x05, 0, 0, 0x80}));
  EXPECT_EQ(b[433], 0x3F);
  EXPECT_EQ(b[432], 0xF0);
}

TEST(ChannelRecord, NameSetterCutsAtACharacterBoundaryAndZeroFills) {
  TChannelRec a{}, b{};
  std::memset(b.ChName, 'x', sizeof b.ChName);
  SetChName(a, "Short");
  SetChName(b, "Short");
  EXPECT_TRUE(ChEqual(a, b));
  // 14 two-byte letters and "ab": 30 bytes; the 29-byte cut must not split "ж".
  SetChName(a, "жжжжжжжжжжжжжжab");
  EXPECT_EQ(ChName(a), "жжжжжжжжжжжжжжa");
  SetChName(a, "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"); // 30 bytes, the last letter does not fit whole
  EXPECT_EQ(ChName(a), "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ");
  EXPECT_EQ(a.ChName[28], '\0');
}

TEST(ChannelRecord, SanitizingMakesAHostileRecordSafe) {
  TChannelRec rec;
  std::memset(&rec, 0xFF, sizeof rec);
  SanitizeChannelRec(rec);
  EXPECT_EQ(rec.EsCount, 16);
  EXPECT_EQ(rec.CaCount, 16);
  EXPECT_EQ(rec.ChName[29], '\0');
  EXPECT_EQ(rec.EsList[0].Lang[0], 3);
  EXPECT_EQ(std::vector<int>(rec.FavCat, rec.FavCat + 4), (std::vector<int>{0, 0, 0, 0}));

  TChannelRec rec2{};
  rec2.EsCount = 2;
  rec2.EsList[5].Pid = 77; // stale beyond the count
  rec2.FavCat[0] = 17;
  rec2.FavCat[1] = 3;
  rec2.FavCat[2] = 3;
  rec2.FavCat[3] = 40;
  SanitizeChannelRec(rec2);
  EXPECT_EQ(rec2.EsList[5].Pid, 0);
  EXPECT_EQ(std::vector<int>(rec2.FavCat, rec2.FavCat + 4), (std::vector<int>{0, 0, 3, 17}));
}

TEST(ChannelRecord, Validity) {
  TChannelRec rec{};
  rec.Freq = 12000000;
  EXPECT_FALSE(ChValid(rec));
  SetChName(rec, "A");
  EXPECT_TRUE(ChValid(rec));
  rec.Freq = 0;
  EXPECT_FALSE(ChValid(rec));
}

TEST(CaList, StateEcmAndSelection) {
  TChannelRec rec{};
  CaAppend(rec, Ca(0x0500, 0x100));
  CaAppend(rec, Ca(0x0B00, 0x200));
  CaAppend(rec, Ca(0x1800, 0x300));
  UpdateEcmPid(rec);
  EXPECT_EQ(rec.EcmPid, 0x100);
  CaSetState(rec, 0, 0);
  UpdateEcmPid(rec);
  EXPECT_EQ(rec.EcmPid, 0x200);
  EXPECT_TRUE(CaIsDisabled(rec, 0));
  EXPECT_TRUE(CaIsDisabled(rec, 3)); // outside the list
  CaSetState(rec, 0, 7);             // neither 0 nor 1
  EXPECT_TRUE(CaIsDisabled(rec, 0));
  CaSetState(rec, 0, 1);
  EXPECT_FALSE(CaIsDisabled(rec, 0));

  EXPECT_TRUE(SelectEcm(rec, 0x300));
  EXPECT_EQ(rec.CaList[0].CaId, 0x1800);
  EXPECT_EQ(rec.EcmPid, 0x300);
  EXPECT_FALSE(SelectEcm(rec, 0x999));

  const TCatEntry cat[] = {{0x0B00, 0x50}, {0x0B00, 0x60}};
  FillEmmFromCat(rec, cat);
  EXPECT_EQ(rec.CaList[1].EmmPid, 0x50); // the first matching CAT entry
  EXPECT_EQ(rec.CaList[2].EmmPid, 0);

  CaSetState(rec, 0, 0);
  SortCaList(rec);
  EXPECT_EQ(rec.CaList[0].CaId, 0x0500);
  EXPECT_EQ(rec.EcmPid, 0x100);
  CaRemove(rec, 0);
  EXPECT_EQ(rec.CaCount, 2);
  EXPECT_EQ(rec.CaList[2].CaId, 0); // removed entries are zeroed
}

TEST(CaList, AFullListTakesNoMore) {
  TChannelRec rec{};
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(CaAppend(rec, Ca(0x100, i)));
  EXPECT_FALSE(CaAppend(rec, Ca(0x100, 99)));
  EXPECT_EQ(rec.CaCount, 16);
}

TEST(Audio, PreferredLanguageAndValidation) {
  TChannelRec rec{};
  EsAppend(rec, Es(kKindVideo, 0xFF));
  EsAppend(rec, Es(kKindAudio, 0x100, "ENG"));
  EsAppend(rec, Es(kKindAc3, 0x102, "GER"));
  rec.AudPid = 0x100;
  EXPECT_TRUE(SelectPreferredAudio(rec, qev::frame::ParsePrefLang("GER,ENG")));
  EXPECT_EQ(rec.AudPid, 0x102);
  EXPECT_EQ(rec.Ac3Pid, 0x102);
  EXPECT_FALSE(SelectPreferredAudio(rec, qev::frame::ParsePrefLang("FRE")));

  TChannelRec v{};
  EsAppend(v, Es(kKindAudio, 0x100));
  EsAppend(v, Es(kKindAc3, 0x102));
  EsAppend(v, Es(kKindAc3, 0x103));
  v.AudPid = 0x555;
  v.Ac3Pid = 0x556;
  ValidateAudioPids(v);
  EXPECT_EQ(v.AudPid, 0x100);
  EXPECT_EQ(v.Ac3Pid, 0x103);
}

TEST(EsList, VideoAndTeletextPidsFollowTheList) {
  TChannelRec rec{};
  EsAppend(rec, Es(kKindAudio, 0x100));
  EsAppend(rec, Es(kKindSubtitle, 0x300, "GER"));
  EsAppend(rec, Es(kKindTeletext, 0x301, "ENG"));
  rec.VidPid = 0x555; // streams of a PMT that no longer lists them
  rec.TtxPid = 0x556;
  ValidateVideoAndTeletextPids(rec);
  EXPECT_EQ(rec.VidPid, 0);
  EXPECT_EQ(rec.TtxPid, 0x300); // a subtitle stream is teletext too

  EsAppend(rec, Es(kKindVideo, 0x200));
  EsAppend(rec, Es(kKindVideo, 0x201));
  rec.VidPid = 0x201;
  rec.TtxPid = 0x301;
  ValidateVideoAndTeletextPids(rec);
  EXPECT_EQ(rec.VidPid, 0x201); // listed PIDs stay, even when not the first of their kind
  EXPECT_EQ(rec.TtxPid, 0x301);
  rec.VidPid = 0x100; // an audio PID is no video PID
  ValidateVideoAndTeletextPids(rec);
  EXPECT_EQ(rec.VidPid, 0x200);
}

TEST(EsList, SortsByKindThenLanguage) {
  TChannelRec rec{};
  EsAppend(rec, Es(kKindAc3, 3, "ENG"));
  EsAppend(rec, Es(kKindAudio, 2, "GER"));
  EsAppend(rec, Es(kKindAudio, 1, "ENG"));
  EsAppend(rec, Es(kKindVideo, 0));
  SortEsList(rec);
  EXPECT_EQ(rec.EsList[0].Pid, 0);
  EXPECT_EQ(rec.EsList[1].Pid, 1);
  EXPECT_EQ(rec.EsList[2].Pid, 2);
  EXPECT_EQ(rec.EsList[3].Pid, 3);
  EsRemove(rec, 9); // ignored
  EXPECT_EQ(rec.EsCount, 4);
}

TEST(Merge, UserFieldsCarryOverAndOnlyRealChangesCount) {
  TChannelRec stored{};
  stored.Freq = 11778000;
  SetChName(stored, "One");
  stored.ChNumber = 7;
  stored.FavCat[3] = 5;
  stored.TimeAdd = 40000;
  stored.TimeUpd = 40001;
  TChannelRec scanned = stored;
  scanned.ChNumber = 0;
  scanned.FavCat[3] = 0;
  scanned.TimeAdd = -1;
  EXPECT_FALSE(MergeScanned(scanned, stored, 45000));
  EXPECT_EQ(stored.TimeUpd, 40001);

  TChannelRec changed = scanned;
  changed.VidPid = 0x200;
  EXPECT_TRUE(MergeScanned(changed, stored, 45000));
  EXPECT_EQ(stored.VidPid, 0x200);
  EXPECT_EQ(stored.ChNumber, 7);
  EXPECT_EQ(stored.FavCat[3], 5);
  EXPECT_EQ(stored.TimeAdd, 40000);
  EXPECT_EQ(stored.TimeUpd, 45000);
}

TEST(CodeTables, Texts) {
  EXPECT_EQ(CaSystemName(0x0B01), "Conax");
  EXPECT_EQ(CaSystemName(0x4A02), "SkyCrypt");
  EXPECT_EQ(CaSystemName(0x2600), "CryptID_26");
  EXPECT_EQ(CaSystemShort(0x2600), "CS26");
  EXPECT_EQ(CaSystemShort(0x1801), "NAGR");
  EXPECT_EQ(StreamTypeText(128), "User Private");
  EXPECT_EQ(StreamTypeText(26), "ISO/IEC 13818 Reserved");
  EXPECT_EQ(StreamTypeText(0x1B), "ITU-T H.264 Video");
  EXPECT_EQ(StreamTypeText(0x24), "ITU-T H.265 Video");
  EXPECT_EQ(StreamTypeText(0x0F), "ISO/IEC 13818-7 Audio (AAC)");
  EXPECT_EQ(StreamTypeText(9), "ISO/IEC 13818 Private data");
  EXPECT_EQ(EsKindText(15, "---"), "USR");
  EXPECT_EQ(EsKindText(9, "---"), "---");
  TChannelRec rec{};
  rec.SrvType = 25;
  rec.Encrypted = 1;
  EXPECT_EQ(ServiceKindText(rec), "DATA PAY");
  EXPECT_EQ(ChannelIcon(rec), 6);
  rec.SrvType = 2;
  rec.Encrypted = 0;
  EXPECT_EQ(ServiceKindText(rec), "RADIO FTA");
  EXPECT_EQ(ChannelIcon(rec), 5);
  EXPECT_EQ(EsKindIcon(5), 15);
  EXPECT_EQ(EsKindIcon(15), 0);
  EXPECT_EQ(PidText(0x1FF, "0x", true), "0x01FF");
  EXPECT_EQ(PidText(0x1FF, "0x", false), "511");
  EXPECT_EQ(PolarToVoltage('h'), 18);
  EXPECT_EQ(PolarToVoltage('V'), 13);
  EXPECT_EQ(PolarToVoltage('L'), 0);
  EXPECT_EQ(VoltageToPolar(13), 'V');
  EXPECT_EQ(VoltageToPolar(0), '#');
  EXPECT_EQ(FreqToKHz(11778), 11778000u);
  EXPECT_EQ(FreqToKHz(11778000), 11778000u);
  EXPECT_EQ(SRateToKSps(27500000), 27500u);
  EXPECT_EQ(SRateToKSps(27500), 27500u);
  const char code[3] = {'e', 0x05, 'g'};
  EXPECT_EQ(NormLang(code), "E?G");
}

TEST(ChannelHandle, OneDecoderRefusesWhatNamesNoSatellite) {
  EXPECT_EQ(MakeChannelHandle(3, 17), 3 * 65536 + 17);
  const auto h = DecodeChannelHandle(3 * 65536 + 17);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->SatIndex, 3);
  EXPECT_EQ(h->Position, 17);
  EXPECT_FALSE(DecodeChannelHandle(-1));
  EXPECT_FALSE(DecodeChannelHandle(5));           // satellite 0
  EXPECT_FALSE(DecodeChannelHandle(256 * 65536)); // satellite bits beyond 255
  EXPECT_FALSE(DecodeChannelHandle(0x7FFF0001));
}
