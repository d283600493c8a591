#include "teletext/subtitle_lines.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

// A page whose rows hold the given texts (with parity bits left as broadcast: the top bit set
// on odd-parity bytes is part of what the builder must strip).
TtxPageBuffer PageWithRows(std::initializer_list<std::pair<int, std::string>> rows,
                           std::uint8_t nationalOption = 0) {
  TtxPageBuffer page;
  page.Page = 888;
  page.NationalOption = nationalOption;
  for (const auto &[row, text] : rows) {
    page.Rows[row].fill(0x20);
    std::memcpy(page.Rows[row].data(), text.data(), std::min<std::size_t>(text.size(), 40));
  }
  return page;
}

TEST(SubtitleLines, OnlyTheBottomRowsGiveLines) {
  TSubtitleLineBuilder builder;
  const auto lines = builder.Build(PageWithRows({{2, "Headline"}, {22, "  Hello there  "}}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], u"Hello there");
}

TEST(SubtitleLines, SpacingAttributesAreSpacesAndBlankRowsGiveNoLine) {
  TSubtitleLineBuilder builder;
  TtxPageBuffer page =
      PageWithRows({{21, "\x0d\x07  \x0b\x0b   \x1d"}, {23, "\x03Yellow\x07White"}});
  page.Rows[23][20] = 0x80 | 'x'; // a parity bit on a display byte
  page.Rows[24].fill(0x00);       // never received
  const auto lines = builder.Build(page);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], u"Yellow White       x");
  EXPECT_TRUE(builder.Build(PageWithRows({{20, "\x01\x02 \x0d"}})).empty());
}

TEST(SubtitleLines, AtMostFourLinesOfFortyCharacters) {
  TSubtitleLineBuilder builder;
  const std::string full(40, 'A');
  const auto lines = builder.Build(
      PageWithRows({{20, "one"}, {21, "two"}, {22, "three"}, {23, full}, {24, "five"}}));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], u"three");
  EXPECT_EQ(lines[3], std::u16string(40, u'A'));
}

TEST(SubtitleLines, TextGoesThroughTheTableOfThePagesOption) {
  TSubtitleLineBuilder builder;
  // German: [ \ ] are the umlauts, ~ the sharp s; English: # is the pound sign.
  const auto german = builder.Build(PageWithRows({{22, "Gr[~e M\\ller"}}, 1));
  ASSERT_EQ(german.size(), 1u);
  EXPECT_EQ(german[0], u"Gr\u00C4\u00DFe M\u00D6ller");
  EXPECT_EQ(builder.LanguageName(), "German");
  const auto english = builder.Build(PageWithRows({{22, "#5"}}, 0));
  ASSERT_EQ(english.size(), 1u);
  EXPECT_EQ(english[0], u"\u00A35");
  EXPECT_EQ(builder.LanguageName(), "English");
  // Back to German: the table follows every change of option.
  EXPECT_EQ(builder.Build(PageWithRows({{22, "["}}, 1))[0], u"\u00C4");
}

TEST(SubtitleLines, WaitingLineNamesThePageWithoutNationalCharacters) {
  EXPECT_EQ(WaitingLine(888), u"QEVDVB: Waiting subtitles on page 888");
  EXPECT_EQ(WaitingLine(7), u"QEVDVB: Waiting subtitles on page 7");
}

} // namespace
} // namespace qev::teletext

