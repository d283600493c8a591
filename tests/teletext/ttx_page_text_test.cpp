#include "teletext/ttx_page_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

void Put(TtxPageBuffer &page, int row, int column, const char *bytes) {
  std::memcpy(page.Rows[row].data() + column, bytes, std::strlen(bytes));
}

TEST(PageText, HeaderAttributesAndNationalCharacters) {
  TtxPageBuffer page;
  page.Page = 100;
  page.NationalOption = 1;                                         // German
  std::fill(page.Rows[0].begin(), page.Rows[0].begin() + 8, 0x15); // Hamming bytes
  Put(page, 0, 8,
      "\x03QEV 100 \x87"
      "12:34:56");
  Put(page, 1, 0,
      "\x01Stra\x7E"
      "e [\x5C");
  page.Rows[2][0] = 0x80 | 'A'; // parity bit set
  const auto lines = PageText(page);
  EXPECT_EQ(lines[0], "         QEV 100  12:34:56");
  EXPECT_EQ(lines[1], " Stra\u00DFe \u00C4\u00D6");
  EXPECT_EQ(lines[2], "A");
  EXPECT_EQ(lines[3], "");

  // A language choice overrides the page's option.
  EXPECT_EQ(PageText(page, 0)[1], " Stra\u00F7e \u2190\u00BD");
}

TEST(PageText, MosaicsAsBlockSextants) {
  TtxPageBuffer page;
  Put(page, 1, 0, "\x17\x7F\x20\x21\x22\x23\x35\x6A\x41\x1A\x7F");
  Put(page, 2, 0, "\x12\x3F\x60x");
  const auto lines = PageText(page);
  // 0x7F all six blocks, 0x20 none, 0x21 top left, 0x22 top right, 0x23 top row, 0x35 left
  // column, 0x6A right column, 0x41 in mosaic mode background only, separated all six.
  EXPECT_EQ(lines[1], " \u2588 \U0001FB00\U0001FB01\U0001FB02\u258C\u2590  \u2588");
  // 0x3F: blocks 1 to 5; 0x60: block 6 only; 'x' = 0x78: blocks 4, 5 and 6.
  EXPECT_EQ(lines[2], " \U0001FB1D\U0001FB1E\U0001FB35");
}

TEST(PageText, LowerHalfOfDoubleHeightRowsIsBlank) {
  TtxPageBuffer page;
  Put(page, 4, 0,
      "Top\x0D"
      "BIG");
  Put(page, 5, 0, "hidden text");
  Put(page, 6, 0, "shown");
  Put(page, 23, 0, "\x0Dlast");
  Put(page, 24, 0, "row 24");
  const auto lines = PageText(page);
  EXPECT_EQ(lines[4], "Top BIG");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[6], "shown");
  EXPECT_EQ(lines[24], "row 24"); // row 24 is never a lower half
}

TEST(PageText, ControlCharactersNeverReachTheTerminal) {
  TtxPageBuffer page;
  Put(page, 1, 0, "a\x7F");
  EXPECT_EQ(PageText(page)[1], "a\u25A0");
  EXPECT_EQ(PageText(page, 36)[1], "\u0430\u25A0");
}

} // namespace
} // namespace qev::teletext
