#include "teletext/subtitle_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::teletext {
namespace {

TEST(SubtitleLayout, FontSizeFollowsThePanelsShareOfTheScreen) {
  EXPECT_EQ(SubtitleFontSize(32, 540, 1080), 16);
  EXPECT_EQ(SubtitleFontSize(32, 100, 1200), 6); // 8 % of 32 is 3: the floor of 6 holds
  EXPECT_EQ(SubtitleFontSize(32, 1080, 1080), 32);
  EXPECT_EQ(SubtitleFontSize(20, 0, 1080), 20); // an unknown height scales by 100 %
  EXPECT_EQ(SubtitleFontSize(20, 600, 0), 20);
  // Halves round away from zero, both for the percentage (74.5) and for the size (22.5).
  EXPECT_EQ(SubtitleFontSize(30, 745, 1000), 23);
}

TEST(SubtitleLayout, BoundsSitAboveTheBottomMarginAndLinesAreCentred) {
  // Panel 800 x 450, 5 % margin (22.5 -> 23), two lines of 30 pixels.
  EXPECT_EQ(SubtitleBounds(800, 450, 5, 60), (TSubtitleRect{4, 367, 792, 83}));
  EXPECT_EQ(SubtitleBounds(800, 450, 0, 60), (TSubtitleRect{4, 390, 792, 60}));
  EXPECT_EQ(SubtitleLineX(792, 301), 396 - 150);
  EXPECT_EQ(SubtitleLineX(792, 800), 396 - 400); // wider than the overlay: cut on both sides
}

// A glyph image from text art: '#' is a set pixel.
struct TGlyph {
  std::vector<std::uint8_t> pixels;
  int width = 0, height = 0;
  explicit TGlyph(std::vector<const char *> rows)
      : width(static_cast<int>(std::string(rows[0]).size())),
        height(static_cast<int>(rows.size())) {
    for (const char *row : rows)
      for (int x = 0; x < width; ++x)
        pixels.push_back(row[x] == '#' ? 255 : 0);
  }
  void OrInto(TSubtitleMask &mask, int x, int y) const {
    mask.Or(pixels.data(), width, height, static_cast<std::size_t>(width), x, y);
  }
};

TEST(SubtitleMask, WithoutOutlineTheShapeIsExactlyTheSetPixels) {
  TSubtitleMask mask(12, 6);
  TGlyph({"#..#", "#..#", "####", "#..#"}).OrInto(mask, 2, 1);
  const std::vector<TSubtitleRect> expected{{2, 1, 1, 2},
                                            {5, 1, 1, 2}, // two rows alike form one band
                                            {2, 3, 4, 1}, //
                                            {2, 4, 1, 1},
                                            {5, 4, 1, 1}};
  EXPECT_EQ(mask.Rectangles(0), expected);
  int covered = 0;
  for (const TSubtitleRect &r : mask.Rectangles(0))
    covered += r.Width * r.Height;
  EXPECT_EQ(covered, 2 + 2 + 4 + 2);
}

TEST(SubtitleMask, AnOutlineWidensRunsJoinsNeighboursAndStaysInside) {
  TSubtitleMask mask(10, 3);
  TGlyph({"#.#......#"}).OrInto(mask, 0, 1);
  // The runs at 0 and 2 meet once widened by 1; the one at 9 is cut at the right edge.
  const std::vector<TSubtitleRect> expected{{0, 1, 4, 1}, {8, 1, 2, 1}};
  EXPECT_EQ(mask.Rectangles(1), expected);
}

TEST(SubtitleMask, GlyphsAreOredAndClippedAtEveryEdge) {
  TSubtitleMask mask(4, 4);
  const TGlyph block({"##", "##"});
  block.OrInto(mask, -1, -1);
  block.OrInto(mask, 3, 3);
  block.OrInto(mask, 0, 0); // overlaps the first: stays set
  EXPECT_TRUE(mask.At(0, 0) && mask.At(1, 1) && mask.At(3, 3));
  EXPECT_FALSE(mask.At(2, 2) || mask.At(4, 4) || mask.At(-1, 0));
  TGlyph({"#"}).OrInto(mask, 10, 10); // wholly outside
  EXPECT_EQ(mask.Rectangles(0).size(), 2u);
}

} // namespace
} // namespace qev::teletext
