#include "teletext/qt/subtitle_overlay.h"
#include "teletext/qt/subtitles.h"

#include "frame/notification_hub.h"
#include "support/screenshot.h"
#include "video/qt/video_panel.h"

#include <QApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace qev::teletext {
namespace {

constexpr std::uint32_t kYellow = 0x0000FFFF; // 0x00BBGGRR
constexpr std::uint32_t kBlue = 0x00FF0000;

frame::TTeletextOptions Options(int outline = 2) {
  frame::TTeletextOptions options;
  options.SubFontName = "DejaVu Sans";
  options.SubFontSize = 32;
  options.SubFontColor = kYellow;
  options.SubOutlColor = kBlue;
  options.SubOutlSize = outline;
  return options;
}

int ScreenHeight() { return QGuiApplication::primaryScreen()->geometry().height(); }

// A panel standing in for the video: half the screen's height, so the font is half its size.
struct OverlayTest : ::testing::Test {
  QWidget panel;
  OverlayTest() {
    panel.resize(640, ScreenHeight() / 2);
    panel.show();
  }
};

// The pixels of the overlay's image in the font colour: where the glyphs were drawn.
int CountGlyphPixels(const TSubtitleOverlay &overlay, bool *allInShape) {
  const QImage &image = overlay.Image();
  const QColor font = video::ColorFromBgr(kYellow);
  int count = 0;
  *allInShape = true;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == font) {
        ++count;
        *allInShape = *allInShape && overlay.Shape().contains(QPoint(x, y));
      }
  return count;
}

int RegionArea(const QRegion &region) {
  int area = 0;
  for (const QRect &r : region)
    area += r.width() * r.height();
  return area;
}

TEST_F(OverlayTest, WithoutOutlineTheShapeIsExactlyTheGlyphs) {
  TSubtitleOverlay overlay(panel, Options(0));
  overlay.ShowLines(panel, {u"Hello, world", u"Zweite Zeile"});
  bool allInShape = false;
  const int glyphs = CountGlyphPixels(overlay, &allInShape);
  EXPECT_GT(glyphs, 200);
  EXPECT_TRUE(allInShape);
  EXPECT_EQ(RegionArea(overlay.Shape()), glyphs); // and not a pixel more
}

TEST_F(OverlayTest, AnOutlineSurroundsTheGlyphsInItsColour) {
  TSubtitleOverlay overlay(panel, Options(2));
  overlay.ShowLines(panel, {u"Hello"});
  bool allInShape = false;
  const int glyphs = CountGlyphPixels(overlay, &allInShape);
  EXPECT_TRUE(allInShape);
  EXPECT_GT(RegionArea(overlay.Shape()), 2 * glyphs);
  // A pixel of the shape outside the glyphs shows the outline colour.
  const QRect first = *overlay.Shape().begin();
  EXPECT_EQ(overlay.Image().pixelColor(first.topLeft()), video::ColorFromBgr(kBlue));
}

TEST_F(OverlayTest, SitsAboveTheBottomMarginCentredAndScaledToThePanel) {
  frame::TTeletextOptions options = Options(1);
  options.SubPosPercent = 10;
  TSubtitleOverlay overlay(panel, options);
  overlay.ShowLines(panel, {u"Centred"});
  EXPECT_EQ(overlay.FontSize(), 16); // 32 at 50 % of the screen's height
  EXPECT_TRUE(overlay.isVisible());
  EXPECT_EQ(overlay.parentWidget(), &panel);
  // The overlay reaches down to the panel's bottom; its text ends above the margin.
  const int margin = (panel.height() + 5) / 10;
  EXPECT_EQ(overlay.geometry().bottom() + 1, panel.height());
  EXPECT_LT(overlay.y() + overlay.Shape().boundingRect().bottom(), panel.height() - margin);
  EXPECT_GT(overlay.y() + overlay.Shape().boundingRect().bottom(), panel.height() - margin - 12);
  EXPECT_EQ(overlay.x(), 4);
  EXPECT_EQ(overlay.width(), panel.width() - 8);
  const QRect text = overlay.Shape().boundingRect();
  EXPECT_LE(std::abs(text.center().x() - overlay.width() / 2), 3);
  // A taller panel gives a bigger font at once, drawn again.
  panel.resize(640, ScreenHeight());
  EXPECT_EQ(overlay.FontSize(), 32);
  EXPECT_GT(overlay.Shape().boundingRect().height(), text.height());
}

TEST_F(OverlayTest, TextOnAPanelWiderThanTheOldFixedMaskIsNotCut) {
  panel.resize(3000, ScreenHeight());
  frame::TTeletextOptions options = Options(1);
  options.SubFontSize = 60;
  TSubtitleOverlay overlay(panel, options);
  overlay.ShowLines(panel, {std::u16string(40, u'W')});
  const QRect text = overlay.Shape().boundingRect();
  EXPECT_GT(text.right(), 2048 + 100);
  EXPECT_LT(text.left(), overlay.width() - text.right()); // still centred: starts on the left
  EXPECT_EQ(overlay.Image().size(), overlay.size());
}

TEST_F(OverlayTest, NoLinesHideTheOverlay) {
  TSubtitleOverlay overlay(panel, Options());
  overlay.ShowLines(panel, {u"Shown"});
  EXPECT_TRUE(overlay.isVisible());
  overlay.ShowLines(panel, {});
  EXPECT_FALSE(overlay.isVisible());
}

TEST(SubtitleFont, AMissingFontFallsBackToDejaVuSans) {
  QWidget panel;
  panel.resize(400, 300);
  panel.show();
  frame::TTeletextOptions options = Options();
  options.SubFontName = "No Such Font Family";
  TSubtitleOverlay overlay(panel, options);
  overlay.ShowLines(panel, {u"Text"});
  EXPECT_TRUE(overlay.isVisible());
  EXPECT_GT(RegionArea(overlay.Shape()), 0);
}

TtxPageBuffer SubtitlePage(int number, const char *text) {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  page.Flags = kTtxSubtitleC6;
  std::memcpy(page.Rows[22].data(), text, std::strlen(text));
  return page;
}

// The subtitles over a real video panel, with the teletext standing in as a cache that a
// delivery thread fills and announces.
struct SubtitlesTest : ::testing::Test {
  frame::TNotificationHub hub;
  TTtxCache cache;
  std::atomic<int> users{0};
  frame::TTeletextOptions options = Options();
  video::TVideoPanel panel;
  TSubtitles subtitles{
      {hub, {cache, [this] { ++users; }, [this] { --users; }}, [this] { return options; }}};

  SubtitlesTest() {
    panel.resize(720, ScreenHeight() / 2);
    panel.show();
  }
  void Deliver(const TtxPageBuffer &page) {
    std::thread delivery([&] {
      cache.Commit(page);
      hub.Notify(frame::kNotifyTeletext, page.Page, page.SubPage);
    });
    delivery.join();
    QApplication::processEvents();
  }
  TSubtitleLines Shown() const {
    TSubtitleOverlay *overlay = subtitles.Overlay();
    return overlay && overlay->isVisible() ? overlay->Lines() : TSubtitleLines{};
  }
};

TEST_F(SubtitlesTest, StartedBeforeTeletextRunsItWaitsForThePage) {
  subtitles.SubtitleStart(&panel, 888);
  QApplication::processEvents();
  EXPECT_EQ(users, 1);
  EXPECT_EQ(subtitles.Page(), 888);
  EXPECT_EQ(Shown(), TSubtitleLines{u"QEVDVB: Waiting subtitles on page 888"});
  hub.Notify(frame::kNotifyTeletext, kTtxCacheEvent, 1); // teletext starts
  QApplication::processEvents();
  EXPECT_EQ(Shown(), TSubtitleLines{u"QEVDVB: Waiting subtitles on page 888"});
  Deliver(SubtitlePage(777, "Other page"));
  EXPECT_EQ(Shown(), TSubtitleLines{u"QEVDVB: Waiting subtitles on page 888"});
  Deliver(SubtitlePage(888, "The subtitle"));
  EXPECT_EQ(Shown(), TSubtitleLines{u"The subtitle"});
  hub.Notify(frame::kNotifyTeletext, kTtxCacheEvent, 0); // a channel switch clears the cache
  QApplication::processEvents();
  EXPECT_TRUE(Shown().empty());
}

TEST_F(SubtitlesTest, StopWhileVisibleRemovesTheOverlayAtOnce) {
  subtitles.SubtitleStart(&panel, 888);
  Deliver(SubtitlePage(888, "Visible"));
  ASSERT_EQ(Shown(), TSubtitleLines{u"Visible"});
  // Lines still on their way must not bring it back.
  std::thread([&] { hub.Notify(frame::kNotifyTeletext, 888, 0); }).join();
  subtitles.SubtitleStop();
  EXPECT_EQ(subtitles.Overlay(), nullptr);
  EXPECT_EQ(panel.findChild<TSubtitleOverlay *>(), nullptr);
  EXPECT_EQ(users, 0);
  EXPECT_EQ(subtitles.Page(), 0);
  QApplication::processEvents();
  EXPECT_EQ(panel.findChild<TSubtitleOverlay *>(), nullptr);
}

TEST_F(SubtitlesTest, PageZeroStopsAndAMoveTakesTheOverlayAlong) {
  subtitles.SubtitleStart(&panel, 888);
  Deliver(SubtitlePage(888, "Moving"));
  video::TVideoPanel floating;
  floating.resize(400, ScreenHeight() / 4);
  floating.show();
  subtitles.SubtitleMove(&floating);
  ASSERT_NE(subtitles.Overlay(), nullptr);
  EXPECT_EQ(subtitles.Overlay()->parentWidget(), &floating);
  EXPECT_EQ(subtitles.Overlay()->FontSize(), 8);
  EXPECT_EQ(Shown(), TSubtitleLines{u"Moving"});
  Deliver(SubtitlePage(888, "Still here"));
  EXPECT_EQ(subtitles.Overlay()->parentWidget(), &floating);
  subtitles.SubtitleStart(&panel, 0);
  EXPECT_EQ(subtitles.Overlay(), nullptr);
  EXPECT_EQ(users, 0);
}

TEST_F(SubtitlesTest, ARefreshDrawsWithTheChangedOptions) {
  subtitles.SubtitleRefresh(); // nothing to refresh yet
  subtitles.SubtitleStart(&panel, 888);
  Deliver(SubtitlePage(888, "Refreshed"));
  ASSERT_EQ(subtitles.Overlay()->FontSize(), 16);
  options.SubFontSize = 64;
  options.SubFontColor = 0x000000FF; // red
  subtitles.SubtitleRefresh();
  EXPECT_EQ(subtitles.Overlay()->FontSize(), 32);
  int red = 0;
  const QImage &image = subtitles.Overlay()->Image();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      red += image.pixelColor(x, y) == QColor(255, 0, 0);
  EXPECT_GT(red, 100);
}

// A picture with some detail, so that the outlined text can be seen over it.
std::shared_ptr<const video::TVideoFrame> GradientFrame(int width, int height) {
  auto pixels = std::make_shared<std::vector<std::uint8_t>>(width * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t *p = pixels->data() + (y * width + x) * 4;
      p[0] = static_cast<std::uint8_t>(255 * y / height);                   // blue
      p[1] = static_cast<std::uint8_t>(160 * x / width);                    // green
      p[2] = static_cast<std::uint8_t>(90 + 100 * ((x / 40 + y / 40) % 2)); // red checks
      p[3] = 0;
    }
  auto frame = std::make_shared<video::TVideoFrame>();
  frame->Format = video::TVideoFrame::TFormat::BGRx;
  frame->Width = width;
  frame->Height = height;
  frame->AspectX = 16;
  frame->AspectY = 9;
  frame->Planes[0] = pixels->data();
  frame->Strides[0] = width * 4;
  frame->Keep = pixels;
  return frame;
}

TEST_F(SubtitlesTest, ScreenshotOfOutlinedSubtitlesOverThePicture) {
  panel.Surface().PresentFrame(GradientFrame(720, 405));
  subtitles.SubtitleStart(&panel, 888);
  TtxPageBuffer page = SubtitlePage(888, "\x0d\x03Subtitles over the picture");
  std::memcpy(page.Rows[23].data(),
              "\x07"
              "and a second line",
              18);
  Deliver(page);
  ASSERT_EQ(Shown().size(), 2u);
  const QString file = test::SaveScreenshot(panel, "subtitles_over_video");
  QImage shot(file);
  ASSERT_FALSE(shot.isNull());
  // The text's colour shows inside the overlay's place, the picture around it.
  const QRect place = subtitles.Overlay()->geometry();
  int yellow = 0;
  for (int y = place.top(); y <= place.bottom(); ++y)
    for (int x = place.left(); x <= place.right(); ++x)
      yellow += shot.pixelColor(x, y) == QColor(255, 255, 0);
  EXPECT_GT(yellow, 200);
  EXPECT_NE(shot.pixelColor(place.left() + 1, place.top() + 1), QColor(0, 0, 255));
}

} // namespace
} // namespace qev::teletext
