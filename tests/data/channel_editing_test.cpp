// The channel editor's rules: list texts and limits, Set targets, notation and saving.
#include "data/channel_editing.h"
#include "data/date_time.h"

#include <gtest/gtest.h>

using namespace qev::data;

namespace {

TEsItem Es(std::uint8_t type, std::uint16_t pid, std::uint8_t kind, const char *lang = "",
           std::uint16_t page = 0) {
  TEsItem item{};
  item.StreamType = type;
  item.Pid = pid;
  item.Kind = kind;
  SetEsLang(item, lang);
  item.TtxPage = page;
  return item;
}

} // namespace

TEST(ChannelEditor, MessagesAndTitles) {
  EXPECT_EQ(NoMoreSpaceText(true), "No more space for CA items (max 16)");
  EXPECT_EQ(NoMoreSpaceText(false), "No more space for ES items (max 16)");
  EXPECT_EQ(ItemDialogTitle("Modify"), "Modify Item");
}

TEST(ChannelEditor, SetChoosesItsTargetByKindThenStreamType) {
  EXPECT_EQ(EsSetTarget(Es(6, 0x104, kKindTeletext)), EsTarget::Teletext);
  EXPECT_EQ(EsSetTarget(Es(4, 0x101, kKindAudio)), EsTarget::Audio);
  EXPECT_EQ(EsSetTarget(Es(2, 0x100, kKindVideo)), EsTarget::Video);
  // A subtitle stream, or AC-3 carried in private PES packets, has no target.
  EXPECT_EQ(EsSetTarget(Es(6, 0x105, kKindSubtitle)), EsTarget::None);
  EXPECT_EQ(EsSetTarget(Es(6, 0x106, kKindAc3)), EsTarget::None);
  EXPECT_EQ(EsSetQuestion(Es(3, 0x101, kKindAudio), true), "Set AUDIO pid to 0x0101 ?");
  EXPECT_EQ(EsSetQuestion(Es(1, 256, kKindVideo), false), "Set VIDEO pid to 256 ?");
  EXPECT_EQ(EsSetQuestion(Es(6, 0x104, kKindTeletext), true), "Set TELETEXT pid to 0x0104 ?");
  EXPECT_EQ(EsSetQuestion(Es(6, 0x105, kKindSubtitle), true), "");
  EXPECT_EQ(CaSetQuestion(TCaItem{0x0B01, 0x500, 0, 0}, true), "Set ECM pid to 0x0500 ?");
}

TEST(ChannelEditor, ListRowsShowEveryColumn) {
  EXPECT_EQ(EsRowTexts(Es(3, 0x101, kKindAudio, "ger"), true),
            (std::vector<std::string>{"03 AUD", "0101", "GER", "", "German"}));
  EXPECT_EQ(EsRowTexts(Es(6, 0x104, kKindTeletext, "", 888), false),
            (std::vector<std::string>{"06 TTX", "260", "", "888", ""}));
  EXPECT_EQ(EsRowTexts(Es(0x1B, 0x100, 255), false)[0], "1B ---");
  const TCaItem ca{0x0B01, 0x500, 0x20, kCaDisabledBit | 0x1234};
  EXPECT_EQ(CaRowTexts(ca, true),
            (std::vector<std::string>{"0B01", "0500", "0020", "001234", "Conax"}));
}

TEST(ChannelEditor, UpAndDownSwapAndKeepTheEcmPid) {
  TChannelRec rec{};
  CaAppend(rec, TCaItem{0x0100, 0x600, 0, kCaDisabledBit});
  CaAppend(rec, TCaItem{0x0500, 0x700, 0, 0});
  UpdateEcmPid(rec);
  EXPECT_EQ(rec.EcmPid, 0x700);
  EXPECT_FALSE(CaSwap(rec, 1, 2));
  EXPECT_TRUE(CaSwap(rec, 1, 0));
  EXPECT_EQ(rec.CaList[0].CaId, 0x0500);
  EXPECT_EQ(rec.EcmPid, 0x700);
  EsAppend(rec, Es(2, 0x100, kKindVideo));
  EsAppend(rec, Es(4, 0x101, kKindAudio));
  EXPECT_FALSE(EsSwap(rec, -1, 0));
  EXPECT_TRUE(EsSwap(rec, 0, 1));
  EXPECT_EQ(rec.EsList[0].Pid, 0x101);
}

TEST(ChannelEditor, NumbersFollowTheNotationAndRanges) {
  EXPECT_EQ(NumberText(0x1FFF, true), "1FFF");
  EXPECT_EQ(NumberText(8191, false), "8191");
  EXPECT_EQ(ParseNumber("1fff", true, kMaxPid), 0x1FFFu);
  EXPECT_EQ(ParseNumber("2000", true, kMaxPid), std::nullopt);
  EXPECT_EQ(ParseNumber(" 8191 ", false, kMaxPid), 8191u);
  EXPECT_EQ(ParseNumber("8192", false, kMaxPid), std::nullopt);
  EXPECT_EQ(ParseNumber("1A", false, kMaxPid), std::nullopt);
  EXPECT_EQ(ParseNumber("", false, kMaxPid), std::nullopt);
  EXPECT_EQ(EditTimeText(0), "");
  EXPECT_EQ(EditTimeText(UnixToDateTime(1709324100)), "2024-03-01 20:15");
}

TEST(ChannelEditor, SavingStoresTheInputsAndCutsNamesAtACharacterBoundary) {
  TChannelRec rec{};
  rec.SrvType = 25;
  rec.VolAdj = 100;
  rec.FavCat[3] = 4;
  TChannelEditFields f = ChannelEditFieldsOf(rec);
  EXPECT_EQ(f.Kind, 0);
  EXPECT_EQ(f.Polar, "Horizontal");
  f.Name = "  " + std::string(27, 'n') + "\xC3\xA4\xC3\xA4 ";
  f.Prov = " Prov ";
  f.Polar = "Vertical";
  f.Freq = 11778000;
  f.SRate = 27500;
  f.AudPid = 9000;
  f.Scrambled = true;
  f.Categ = 3;
  f.VolAdj = 150;
  StoreChannelEdit(f, rec);
  // 27 letters and one two-byte letter fill the 29 bytes; the second would be cut in half.
  EXPECT_EQ(ChName(rec), std::string(27, 'n') + "\xC3\xA4");
  EXPECT_EQ(FixedText(rec.ChProv), "Prov");
  EXPECT_EQ(rec.Polar, 'V');
  EXPECT_EQ(rec.AudPid, kMaxPid);
  EXPECT_EQ(rec.Encrypted, 1);
  EXPECT_EQ(rec.Categ, 3);
  EXPECT_EQ(rec.VolAdj, 150);
  // A data kind the broadcast gave stays while the user leaves the kind on data.
  EXPECT_EQ(rec.SrvType, 25);
  EXPECT_EQ(rec.FavCat[3], 4);
  f.Kind = 2;
  StoreChannelEdit(f, rec);
  EXPECT_EQ(rec.SrvType, 2);
}
