#include "data/code_tables.h"
#include "ui/channel_info_editor.h"
#include "ui/channel_info_fixture.h"
#include "ui/channel_info_texts.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace qev::ui {
namespace {

using test::ChannelInfoTest;

TEST(StreamChoiceTest, EachKindOfStreamSetsItsPid) {
  struct Case {
    std::uint8_t type, kind;
    std::uint16_t vid, aud, ac3, ttx;
    bool changed, reswitch;
  };
  // Starting from video 1, audio 2, AC-3 0, teletext 0; the chosen stream has PID 9.
  const Case cases[] = {
      {0x01, data::kKindVideo, 9, 2, 0, 0, true, false},
      {0x02, data::kKindVideo, 9, 2, 0, 0, true, false},
      {0x03, data::kKindAudio, 1, 9, 0, 0, true, true},
      {0x04, data::kKindAudio, 1, 9, 0, 0, true, true},
      {0x06, data::kKindAc3, 1, 9, 9, 0, true, true},
      {0x81, data::kKindAc3, 1, 9, 9, 0, true, true},
      {0x06, data::kKindTeletext, 1, 2, 0, 9, true, true},
      {0x06, data::kKindSubtitle, 1, 2, 0, 0, false, false},
      {0x1B, data::kKindVideo, 1, 2, 0, 0, false, false}, // H.264 is not a video type here
      {0x05, data::kKindUser, 1, 2, 0, 0, false, false},
  };
  for (const Case &c : cases) {
    data::TChannelRec rec{};
    rec.VidPid = 1;
    rec.AudPid = 2;
    const TStreamChoice choice = ApplyStreamChoice(rec, data::TEsItem{c.type, 9, c.kind, {}, 0});
    const std::string where = fmt::format("type {:02X} kind {}", c.type, c.kind);
    EXPECT_EQ(rec.VidPid, c.vid) << where;
    EXPECT_EQ(rec.AudPid, c.aud) << where;
    EXPECT_EQ(rec.Ac3Pid, c.ac3) << where;
    EXPECT_EQ(rec.TtxPid, c.ttx) << where;
    EXPECT_EQ(choice.Changed, c.changed) << where;
    EXPECT_EQ(choice.Reswitch, c.reswitch) << where;
  }
}

TEST_F(ChannelInfoTest, StreamTexts) {
  const data::TChannelRec rec = Stored();
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 0, false), "03 AUD");
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 1, false), "257");
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 1, true), "0101");
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 2, false), "DEU");
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 3, false), "");
  EXPECT_EQ(StreamCellText(rec.EsList[kAudioRow], 4, false), "German");
  EXPECT_EQ(StreamCellText(rec.EsList[kTeletextRow], 0, false), "06 TTX");
  EXPECT_EQ(StreamCellText(rec.EsList[kTeletextRow], 3, false), "100");
  EXPECT_EQ(StreamCellText(rec.EsList[kVideoRow], 2, false), "");
  EXPECT_EQ(StreamCellText(rec.EsList[kVideoRow], 4, false), "");
  data::TEsItem odd{0xA0, 0x1FFF, 99, {}, 0};
  EXPECT_EQ(StreamCellText(odd, 0, false), "A0 ---");
  EXPECT_EQ(StreamCellText(odd, 1, true), "1FFF");

  EXPECT_EQ(StreamRowStyle(rec, rec.EsList[kAudioRow], false), (TCellStyle{true, kColorBlue}));
  EXPECT_EQ(StreamRowStyle(rec, rec.EsList[kAudioRow], true), (TCellStyle{true, kColorAqua}));
  EXPECT_EQ(StreamRowStyle(rec, rec.EsList[kAudio2Row], true), TCellStyle{});
}

TEST_F(ChannelInfoTest, CaTexts) {
  const data::TChannelRec rec = Stored();
  const data::TCaItem &seca = rec.CaList[0], &viaccess = rec.CaList[1];
  EXPECT_EQ(CaCellText(seca, 0, false), "0100");
  EXPECT_EQ(CaCellText(seca, 1, false), "512");
  EXPECT_EQ(CaCellText(seca, 1, true), "0200");
  EXPECT_EQ(CaCellText(seca, 2, true), "0300");
  EXPECT_EQ(CaCellText(seca, 3, false), "000123");
  EXPECT_EQ(CaCellText(seca, 4, false), data::CaSystemName(0x0100));
  EXPECT_EQ(CaCellText(viaccess, 3, false), "008110") << "the disabled bit is no provider digit";
  EXPECT_EQ(CaIcon(seca), kCaIconEnabled);
  EXPECT_EQ(CaIcon(viaccess), kCaIconDisabled);

  EXPECT_EQ(CaRowStyle(seca, false, true), TCellStyle{});
  EXPECT_EQ(CaRowStyle(seca, true, false), (TCellStyle{true, kColorBlue}));
  EXPECT_EQ(CaRowStyle(seca, true, true), (TCellStyle{true, kColorAqua}));
  EXPECT_EQ(CaRowStyle(viaccess, false, false), (TCellStyle{false, kColorGrey}));
  EXPECT_EQ(CaRowStyle(viaccess, true, false), (TCellStyle{true, kColorGrey}));
}

TEST_F(ChannelInfoTest, ParameterTextsInDecimalAndHex) {
  const data::TChannelRec rec = Stored();
  std::vector<std::string> dec, hex;
  for (int row = 0; row < kParameterRows; ++row) {
    dec.push_back(ParameterValueText(rec, row, false));
    hex.push_back(ParameterValueText(rec, row, true));
  }
  EXPECT_EQ(dec, (std::vector<std::string>{"11778", "27500", "V", "1", "3", "11778", "401", "0",
                                           "256", "512", "256", "257", "0", "0"}));
  EXPECT_EQ(hex, (std::vector<std::string>{"11778", "27500", "V", "1", "3", "2E02", "0191", "0000",
                                           "0100", "0200", "0100", "0101", "0000", "0000"}));
  data::TChannelRec khz = rec;
  khz.Freq = 99999;
  EXPECT_EQ(ParameterValueText(khz, 0, false), "99999");
  khz.Freq = 100000;
  EXPECT_EQ(ParameterValueText(khz, 0, false), "100");

  EXPECT_EQ(ParameterValueStyle(5, true), TCellStyle{}) << "TID keeps the list's font";
  EXPECT_EQ(ParameterValueStyle(6, true), (TCellStyle{false, kColorGreen, true}));
  EXPECT_EQ(ParameterValueStyle(13, false), (TCellStyle{false, kColorNavy, true}));
  EXPECT_EQ(ParameterValueStyle(0, false), TCellStyle{});
}

TEST_F(ChannelInfoTest, TeletextStreamBecomesTheTeletextPidAndSubtitleStoresNothing) {
  TChannelInfoEditor editor(context);
  editor.Refresh();
  EXPECT_FALSE(editor.ChooseStream(kSubtitleRow));
  EXPECT_TRUE(journal.Starting("Notify 7").empty());
  EXPECT_EQ(Stored().TtxPid, 0);

  EXPECT_TRUE(editor.ChooseStream(kTeletextRow));
  EXPECT_EQ(Stored().TtxPid, kTeletext);
  EXPECT_EQ(journal.Starting("Notify 7"),
            std::vector<std::string>{fmt::format("Notify 7 {} 8", info)});
  EXPECT_EQ(engine.Slot(0).SelectedChannel.TtxPid, kTeletext);
}

TEST_F(ChannelInfoTest, AudioChoiceReswitchesThePlayingSlot) {
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  TChannelInfoEditor editor(context);
  editor.Refresh();
  journal.Clear();
  EXPECT_TRUE(editor.ChooseStream(kAc3Row));
  EXPECT_EQ(Stored().AudPid, kAc3);
  EXPECT_EQ(Stored().Ac3Pid, kAc3);
  EXPECT_EQ(engine.Slot(0).CurrentChannel.AudPid, kAc3);
  EXPECT_TRUE(
      journal.Has(fmt::format("SetChannelPids 0 a=0x{:X} v=0x{:X} p=0x{:X} flags={}", kAc3, kVideo,
                              kVideo, device::kPidFlagsBase | device::kPidFlagAc3)));

  journal.Clear();
  editor.Refresh();
  EXPECT_TRUE(editor.ChooseStream(kVideoRow)); // the same video PID is stored again
  EXPECT_EQ(journal.Starting("Notify 7").size(), 1u);
  EXPECT_TRUE(journal.Starting("SetChannelPids").empty()) << "a video choice does not reswitch";
}

TEST_F(ChannelInfoTest, EcmChoiceAndCaStateAreStoredAndReachThePlugins) {
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  TChannelInfoEditor editor(context);
  editor.Refresh();
  journal.Clear();

  EXPECT_TRUE(editor.ChooseEcm(1));
  EXPECT_EQ(Stored().EcmPid, kEcm2);
  EXPECT_EQ(Stored().CaList[0].EcmPid, kEcm2);
  EXPECT_TRUE(journal.Has(fmt::format("Notify 7 {} 32", info)));
  EXPECT_TRUE(journal.Has("NotifyPlugins 0 1"));

  // Now the Viaccess entry (disabled) is first.
  editor.Refresh();
  EXPECT_TRUE(editor.CaCanEnable(0));
  EXPECT_FALSE(editor.CaCanDisable(0));
  EXPECT_FALSE(editor.SetCaEnabled(0, false)) << "only the change of state is offered";
  journal.Clear();
  EXPECT_TRUE(editor.SetCaEnabled(1, false));
  EXPECT_EQ(Stored().EcmPid, 0) << "no enabled entry is left";
  EXPECT_TRUE(journal.Has(fmt::format("Notify 7 {} 4", info)));
  EXPECT_TRUE(journal.Has("NotifyPlugins 0 1"));
  editor.Refresh();
  EXPECT_TRUE(editor.SetCaEnabled(0, true));
  EXPECT_EQ(Stored().EcmPid, kEcm2);
  EXPECT_FALSE(data::CaIsDisabled(Stored(), 0));
}

TEST_F(ChannelInfoTest, CaFilterAndVolumeAreShownOnlyForThePlayingChannel) {
  std::vector<std::uint16_t> openFilters{kEcm};
  context.Subsystems.PluginFilterOpen = [&](std::uint16_t pid) {
    return std::find(openFilters.begin(), openFilters.end(), pid) != openFilters.end();
  };
  options.General.ChanVolAdjust = true;
  TChannelInfoEditor editor(context);
  editor.Refresh();
  EXPECT_FALSE(editor.CaFilterOpen(0));
  EXPECT_FALSE(editor.VolumeVisible());

  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  editor.Refresh();
  EXPECT_TRUE(editor.CaFilterOpen(0));
  EXPECT_FALSE(editor.CaFilterOpen(1));
  EXPECT_FALSE(editor.CaFilterOpen(2)) << "beyond the entries";
  EXPECT_TRUE(editor.VolumeVisible());
  options.General.ChanVolAdjust = false;
  EXPECT_FALSE(editor.VolumeVisible());
}

TEST_F(ChannelInfoTest, NoSelectedChannelMeansNothingToStore) {
  TChannelInfoEditor editor(context);
  EXPECT_FALSE(editor.ChooseStream(kTeletextRow)) << "not refreshed: no channel, no streams";
  EXPECT_FALSE(editor.StoreVolume());
  EXPECT_FALSE(editor.VolumeVisible()) << "handle 0 is not a playing channel";
  EXPECT_TRUE(journal.Starting("Notify 7").empty());
}

TEST_F(ChannelInfoTest, VolumeAdjustmentIsStoredOnReleaseAndResetTo100) {
  TChannelInfoEditor editor(context);
  editor.Refresh();
  editor.MoveVolume(150);
  EXPECT_EQ(editor.Rec().VolAdj, 150);
  EXPECT_EQ(Stored().VolAdj, 100) << "moving alone stores nothing";
  editor.MoveVolume(250);
  EXPECT_EQ(editor.Rec().VolAdj, kVolAdjMax);
  editor.MoveVolume(150);
  EXPECT_TRUE(editor.StoreVolume());
  EXPECT_EQ(Stored().VolAdj, 150);
  EXPECT_TRUE(journal.Has(fmt::format("Notify 7 {} 16", info)));
  EXPECT_TRUE(editor.ResetVolume());
  EXPECT_EQ(Stored().VolAdj, 100);
}

TEST_F(ChannelInfoTest, EditRescanAndRecordGoThroughTheirSubsystems) {
  TChannelInfoEditor editor(context);
  editor.Refresh();
  EXPECT_FALSE(editor.CanEdit());
  EXPECT_FALSE(editor.Edit());

  bool confirm = false;
  context.Subsystems.EditChannel = [&](data::TChannelRec &rec) {
    data::SetChName(rec, "Renamed");
    return confirm;
  };
  EXPECT_FALSE(editor.Edit());
  EXPECT_EQ(data::ChName(Stored()), "Info Channel");
  confirm = true;
  EXPECT_TRUE(editor.Edit());
  EXPECT_EQ(data::ChName(Stored()), "Renamed");
  EXPECT_TRUE(journal.Has(fmt::format("Notify 7 {} 65535", info)));

  std::vector<std::string> calls;
  context.Subsystems.RescanByHandle = [&](std::int32_t h) {
    calls.push_back(fmt::format("scan {}", h));
  };
  context.Subsystems.RecStartPid = [&](std::uint16_t pid, const std::string &title,
                                       const std::string &name) {
    calls.push_back(fmt::format("rec {:X} '{}' '{}'", pid, title, name));
  };
  editor.Rescan();
  editor.RecordStream(kAc3Row);
  editor.RecordStream(kTeletextRow);
  editor.RecordEcm(0);
  editor.RecordEmm(1);
  editor.RecordEmm(5);
  EXPECT_EQ(calls,
            (std::vector<std::string>{fmt::format("scan {}", info), "rec 103 '' 'AC3'",
                                      "rec 104 '' 'TTX'", "rec 200 '' 'ECM'", "rec 301 '' 'EMM'"}));
}

} // namespace
} // namespace qev::ui
