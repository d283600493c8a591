#include "ui/main_panel_texts.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

data::TChannelRec Rec(std::uint32_t freq, char polar, std::uint16_t srate) {
  data::TChannelRec rec{};
  rec.Freq = freq;
  rec.Polar = polar;
  rec.SRate = srate;
  data::SetChName(rec, "Das Erste HD");
  data::SetChProv(rec, "ARD");
  return rec;
}

TEST(MainPanelTextsTest, ChannelPanels) {
  const data::TChannelRec rec = Rec(11493750, 'H', 22000);
  EXPECT_EQ(ProviderPanelText(rec), " ARD");
  EXPECT_EQ(NamePanelText(rec), " Das Erste HD");
  EXPECT_EQ(FrequencyPanelText(rec), " 11493,H,22000") << "MHz rounded down";
  EXPECT_EQ(FrequencyPanelText(data::TChannelRec{}), " 0,,0") << "a zeroed record adds no NUL";
}

TEST(MainPanelTextsTest, MediaPanelJoinsVideoAndAudio) {
  EXPECT_EQ(MediaPanelText("VID 720x576,16:9,6000Kbps", "MPA 2Ch,48.0KHz,192Kbps"),
            " VID 720x576,16:9,6000Kbps / MPA 2Ch,48.0KHz,192Kbps");
  EXPECT_EQ(MediaPanelText("", "MPA 2Ch,48.0KHz,192Kbps"), " MPA 2Ch,48.0KHz,192Kbps");
  EXPECT_EQ(MediaPanelText("VID 720x576,4:3,4000Kbps", ""), " VID 720x576,4:3,4000Kbps / ");
  EXPECT_EQ(MediaPanelText("", ""), " ");
}

TEST(MainPanelTextsTest, VolumeAndAudioChannel) {
  EXPECT_EQ(VolumeHint(0), "Volume 0 %");
  EXPECT_EQ(VolumeHint(100), "Volume 100 %");
  EXPECT_EQ(AudioChannelCaption(1), "A-");
  EXPECT_EQ(AudioChannelCaption(2), "-B");
  EXPECT_EQ(AudioChannelCaption(0), "AB");
  EXPECT_EQ(AudioChannelCaption(3), "AB");
  EXPECT_TRUE(AudioChannelKnown(0));
  EXPECT_TRUE(AudioChannelKnown(2));
  EXPECT_FALSE(AudioChannelKnown(3));
  EXPECT_FALSE(AudioChannelKnown(-1));
}

TEST(MainPanelTextsTest, SubtitlePageInputAcceptsOnlyZeroTo999) {
  EXPECT_EQ(SubtitlePageInput("777"), 777);
  EXPECT_EQ(SubtitlePageInput(" 150 "), 150);
  EXPECT_EQ(SubtitlePageInput("0"), 0);
  EXPECT_EQ(SubtitlePageInput("999"), 999);
  EXPECT_EQ(SubtitlePageInput("1000"), std::nullopt) << "leaves the subtitles as they were";
  EXPECT_EQ(SubtitlePageInput("-1"), std::nullopt);
  EXPECT_EQ(SubtitlePageInput("12a"), std::nullopt);
  EXPECT_EQ(SubtitlePageInput(""), std::nullopt);
  EXPECT_EQ(SubtitlePageInput("99999999999999999999"), std::nullopt);
  EXPECT_EQ(SubtitleButtonCaption(88), "Sub/088");
  EXPECT_EQ(SubtitleButtonCaption(777), "Sub/777");
  EXPECT_EQ(SubtitlePageItem(777, "ENG"), "Page 777 (ENG)");
}

TEST(MainPanelTextsTest, RecordMenuCaptions) {
  const data::TChannelRec rec = Rec(12188000, 'V', 27500);
  EXPECT_EQ(RecordSlotCaption("AV0", &rec), "AV0: Das Erste HD");
  EXPECT_EQ(RecordSlotCaption("PIP", &rec), "PIP: Das Erste HD");
  EXPECT_EQ(RecordSlotCaption("PIP", nullptr), "PIP: <No channel>");
  EXPECT_EQ(FullTsTitle(rec), "FTS-12188V");
}

} // namespace
} // namespace qev::ui
