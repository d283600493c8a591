#include "teletext/ttx_page_grid.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

void Put(TtxPageBuffer &page, int row, int column, const char *bytes) {
  std::memcpy(page.Rows[row].data() + column, bytes, std::strlen(bytes));
}

TNationalTable Table(int code) {
  TNationalTable table{};
  std::string name;
  LoadNationalTable(code, &table, name);
  return table;
}

TEST(PageGrid, ColourAndBackgroundAttributesApplyAtOnce) {
  TtxPageBuffer page;
  Put(page, 1, 0,
      "\x01R\x1D\x02G\x1C"
      "B");
  const auto grid = LayoutPage(page, Table(0), false);
  const auto &row = grid.Rows[1];
  EXPECT_EQ(row[0].Foreground, 1); // the attribute's own cell already has the new colour
  EXPECT_EQ(row[0].Character, u' ');
  EXPECT_EQ(row[1].Character, u'R');
  EXPECT_EQ(row[2].Background, 1); // new background takes the foreground
  EXPECT_EQ(row[4].Foreground, 2);
  EXPECT_EQ(row[4].Background, 1);
  EXPECT_EQ(row[5].Background, 0); // black background
  EXPECT_EQ(row[6].Character, u'B');
  EXPECT_EQ(row[7].Foreground, 0); // a zero byte is alphanumeric black
  EXPECT_EQ(row[7].Character, u' ');
}

TEST(PageGrid, MosaicBlocksContiguousAndSeparated) {
  TtxPageBuffer page;
  // Held-mosaic codes change nothing visible.
  Put(page, 1, 0, "\x14\x7F\x41\x1E\x1A\x7F\x19\x21\x1F\x07\x7F");
  const auto grid = LayoutPage(page, Table(0), false);
  const auto &row = grid.Rows[1];
  EXPECT_EQ(row[1].Kind, TTtxCellKind::Mosaic);
  EXPECT_EQ(row[1].MosaicBits, kMosaicAllBlocks);
  EXPECT_EQ(row[1].Foreground, 4);
  EXPECT_EQ(row[2].Kind, TTtxCellKind::Mosaic);
  EXPECT_EQ(row[2].MosaicBits, 0); // 0x41 draws background only
  EXPECT_TRUE(row[5].Separated);
  EXPECT_EQ(row[5].MosaicBits, kMosaicAllBlocks);
  EXPECT_FALSE(row[7].Separated);
  EXPECT_EQ(row[7].MosaicBits, kMosaicTopLeft);
  EXPECT_EQ(row[10].Kind, TTtxCellKind::Glyph); // alphanumerics again
  EXPECT_EQ(row[10].Character, char16_t{0x7F});
}

TEST(PageGrid, DoubleHeightMakesTheNextRowALowerHalf) {
  TtxPageBuffer page;
  Put(page, 3, 0,
      "\x04\x1D\x07"
      "Ab\x01\x0D"
      "BIG\x0C"
      "small");
  Put(page, 4, 0, "never drawn never drawn");
  Put(page, 5, 0, "next");
  const auto grid = LayoutPage(page, Table(0), false);
  EXPECT_EQ(grid.Rows[3][6].Size, TTtxCellSize::DoubleHeight);
  EXPECT_EQ(grid.Rows[3][7].Size, TTtxCellSize::DoubleHeight);
  EXPECT_EQ(grid.Rows[3][11].Size, TTtxCellSize::Normal);
  const auto &lower = grid.Rows[4];
  EXPECT_TRUE(grid.Shown[4]);
  for (int column = 0; column < 6; ++column) {
    EXPECT_TRUE(lower[column].LowerHalf);
    EXPECT_EQ(lower[column].Kind, TTtxCellKind::Glyph);
    EXPECT_EQ(lower[column].Character, u' ');
  }
  EXPECT_EQ(lower[0].Background, 0);
  EXPECT_EQ(lower[2].Background, 4); // the background as walked from the row above
  for (int column = 6; column < 10; ++column)
    EXPECT_EQ(lower[column].Kind, TTtxCellKind::Covered);
  EXPECT_EQ(lower[10].Kind, TTtxCellKind::Glyph);
  EXPECT_EQ(grid.Rows[5][0].Character, u'n');
  EXPECT_FALSE(grid.Rows[5][0].LowerHalf);
}

TEST(PageGrid, DoubleSizeAndWidth) {
  TtxPageBuffer page;
  Put(page, 1, 0,
      "\x0E"
      "W\x0F"
      "S");
  const auto grid = LayoutPage(page, Table(0), false);
  EXPECT_EQ(grid.Rows[1][1].Size, TTtxCellSize::DoubleWidth);
  EXPECT_EQ(grid.Rows[1][3].Size, TTtxCellSize::DoubleSize);
  EXPECT_EQ(grid.Rows[2][3].Kind, TTtxCellKind::Covered); // double size is double height too
  EXPECT_EQ(grid.Rows[2][1].Kind, TTtxCellKind::Glyph);
}

TEST(PageGrid, RowTwentyFourOnlyWhenAskedAndNeverALowerHalf) {
  TtxPageBuffer page;
  Put(page, 23, 0,
      "\x0D"
      "tall");
  Put(page, 24, 0, "fastext");
  auto grid = LayoutPage(page, Table(0), false);
  EXPECT_TRUE(grid.Shown[23]);
  EXPECT_FALSE(grid.Shown[24]);
  EXPECT_FALSE(grid.Shown[0]);
  grid = LayoutPage(page, Table(0), true);
  EXPECT_TRUE(grid.Shown[24]);
  EXPECT_FALSE(grid.Rows[24][0].LowerHalf);
  EXPECT_EQ(grid.Rows[24][0].Character, u'f');
}

TEST(PageGrid, NationalTableMapsText) {
  TtxPageBuffer page;
  Put(page, 1, 0, "\x40\x60");
  const auto grid = LayoutPage(page, Table(38), false);
  EXPECT_EQ(grid.Rows[1][0].Character, u'\u010C');
  EXPECT_EQ(grid.Rows[1][1].Character, u'\u010D');
}

TEST(PageGrid, Colours) {
  EXPECT_EQ(TtxColourRgb(0), 0x000000u);
  EXPECT_EQ(TtxColourRgb(1), 0xFF0000u);
  EXPECT_EQ(TtxColourRgb(3), 0xFFFF00u);
  EXPECT_EQ(TtxColourRgb(6), 0x00FFFFu);
  EXPECT_EQ(TtxColourRgb(7), 0xFFFFFFu);
}

} // namespace
} // namespace qev::teletext
