// The subtitle log behind qevtool teletext --subtitles: one entry per change of the text.
#include "tool/ttx_report.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace qev;

teletext::TtxPageBuffer Subtitle(const char *text, int row = 22) {
  teletext::TtxPageBuffer page;
  page.Page = 888;
  page.NationalOption = 1; // German: '}' is u-umlaut
  std::memcpy(page.Rows[row].data(), text, std::strlen(text));
  return page;
}

TEST(TtxReport, SubtitleLogKeepsOneEntryPerChangeAndCountsAReturnAfterABlank) {
  tool::TSubtitleLog log;
  log.Offer(Subtitle("Gr}~e"));
  log.Offer(Subtitle("Gr}~e")); // sent again: nothing new
  log.Offer(Subtitle("Tsch}~", 23));
  log.Offer(Subtitle(""));      // cleared screen: no entry
  log.Offer(Subtitle("Tsch}~", 23));
  const std::vector<tool::TTtxSubtitleOut> expected = {
      {888, {"Grüße"}}, {888, {"Tschüß"}}, {888, {"Tschüß"}}};
  EXPECT_EQ(log.Entries(), expected);
  EXPECT_EQ(tool::SubtitlesJson(log.Entries())[1].dump(), R"({"page":888,"lines":["Tschüß"]})");
}

TEST(TtxReport, PageJsonHasNumberSubpageAndTwentyFiveRows) {
  teletext::TtxPageBuffer page = Subtitle("Stra~e", 1);
  page.Page = 100;
  page.SubPage = 3;
  const nlohmann::ordered_json json = tool::PageJson(tool::PageOut(page));
  EXPECT_EQ(json["page"], 100);
  EXPECT_EQ(json["subpage"], 3);
  ASSERT_EQ(json["rows"].size(), 25u);
  EXPECT_EQ(json["rows"][1], "Straße");
}

} // namespace
