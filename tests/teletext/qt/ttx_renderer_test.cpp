#include "teletext/qt/ttx_renderer.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

TEST(TtxRenderer, FontFallsBackWhenTheConfiguredOneIsMissing) {
  EXPECT_EQ(TtxFontFamily("No Such Teletext Font"), "DejaVu Sans Mono");
  if (QFontDatabase::hasFamily("DejaVu Serif")) {
    EXPECT_EQ(TtxFontFamily("DejaVu Serif"), "DejaVu Serif");
  }
  if (!QFontDatabase::hasFamily("Lucida Console")) {
    EXPECT_EQ(TtxFontFamily(""), "DejaVu Sans Mono");
  }
}

TEST(TtxRenderer, GlyphSizeFitsTheCell) {
  const QString family = TtxFontFamily("");
  const int large = TtxGlyphPixelSize(family, QSize(20, 30));
  const int small = TtxGlyphPixelSize(family, QSize(8, 11));
  EXPECT_GT(large, small);
  EXPECT_LE(large, 50);
  EXPECT_EQ(TtxGlyphPixelSize(family, QSize(1, 1)), 1);
}

TEST(TtxRenderer, AtlasIsBuiltOncePerCellSizeAndTable) {
  TTtxRenderer renderer(TtxFontFamily(""));
  renderer.Prepare(QSize(400, 375), 0);
  renderer.Prepare(QSize(400, 375), 0);
  EXPECT_EQ(renderer.AtlasBuilds(), 1);
  EXPECT_EQ(renderer.CellSize(), QSize(10, 15));
  EXPECT_EQ(renderer.LanguageName(), "English");
  renderer.Prepare(QSize(400, 375), 1);
  EXPECT_EQ(renderer.LanguageName(), "German");
  renderer.Prepare(QSize(480, 375), 1);
  EXPECT_EQ(renderer.AtlasBuilds(), 3);
}

TEST(TtxRenderer, TextIsDrawnInTheForegroundOverTheBackground) {
  TTtxRenderer renderer(TtxFontFamily(""));
  renderer.Prepare(QSize(800, 500), 0);
  renderer.Clear();
  TTtxRowBytes bytes{};
  std::memcpy(bytes.data(), "\x03\x1D\x01\x7F", 4); // red full block on yellow
  std::memcpy(bytes.data() + 4, "\x01WWWW", 5);
  TTtxGridRow row;
  LayoutRow(bytes, renderer.Table(), row);
  renderer.DrawRow(row, 1);
  const QImage &image = renderer.Image();
  EXPECT_EQ(image.pixelColor(10, 30), QColor(Qt::black));  // the colour alone changes no background
  EXPECT_EQ(image.pixelColor(30, 30), QColor(Qt::yellow)); // new background: background only
  int red = 0;
  for (int x = 100; x < 180; ++x) {
    for (int y = 20; y < 40; ++y)
      red += image.pixelColor(x, y) == QColor(Qt::red);
  }
  EXPECT_GT(red, 20) << "the W glyphs are drawn in red";
}

TEST(TtxRenderer, MessageOnABlueBar) {
  TTtxRenderer renderer(TtxFontFamily(""));
  renderer.Prepare(QSize(400, 375), 0);
  renderer.Clear();
  renderer.DrawMessage("[ Teletext disabled ]");
  const QImage &image = renderer.Image();
  EXPECT_EQ(image.pixelColor(2, 31), QColor(Qt::blue)); // from y = 2 cells
  EXPECT_EQ(image.pixelColor(2, 29), QColor(Qt::black));
  bool yellow = false;
  for (int x = 100; x < 300 && !yellow; ++x) {
    for (int y = 30; y < 52 && !yellow; ++y)
      yellow = image.pixelColor(x, y) == QColor(Qt::yellow);
  }
  EXPECT_TRUE(yellow);
}

} // namespace
} // namespace qev::teletext
