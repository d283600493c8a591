#include "support/temp_dir.h"
#include "video/mouse_hide_thread.h"
#include "video/video_geometry.h"
#include "video/video_win_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace qev::video {
namespace {

namespace fs = std::filesystem;

TEST(VideoGeometryTest, LayoutAndShapeFitting) {
  EXPECT_EQ(LayoutRect(1000, 500, kShape4x3, 0), (TVideoRect{166, 0, 667, 500}));
  EXPECT_EQ(LayoutRect(400, 600, kShape4x3, 0), (TVideoRect{0, 150, 400, 300}));
  EXPECT_EQ(LayoutRect(1000, 500, kShapeFree, 20), (TVideoRect{20, 20, 960, 460}));
  EXPECT_EQ(FitToShape({320, 240}, kShape16x9), (TVideoSize{320, 180}));
  EXPECT_EQ(FitToShape({400, 240}, kShape4x3), (TVideoSize{320, 240}));
  EXPECT_EQ(FitToShape({400, 240}, kShapeFree), (TVideoSize{400, 240}));
  EXPECT_EQ(PlaceOnScreen({-5, 900, 300, 200}, {1280, 1024}), (TVideoRect{0, 824, 300, 200}));
  EXPECT_EQ(PlaceOnScreen({0, 0, 2000, 200}, {1280, 1024}).Width, 1280);
}

TEST(VideoGeometryTest, PresetsParseAndStayOnScreen) {
  EXPECT_EQ(ParsePresetSize("640x480"), (TVideoSize{640, 480}));
  for (const char *text : {"640:480", "640X480", "640,480", "640;480"})
    EXPECT_EQ(ParsePresetSize(text), (TVideoSize{640, 480})) << text;
  EXPECT_FALSE(ParsePresetSize("640-480"));
  EXPECT_FALSE(ParsePresetSize("640x"));
  const TVideoSize screen{1000, 800};
  // Centre 05,05 would push the window off the screen: it is kept on it.
  EXPECT_EQ(PresetPositionRect("05,05", {300, 300, 320, 240}, screen, kShape4x3),
            (TVideoRect{0, 0, 320, 240}));
  EXPECT_EQ(PresetPositionRect("50,50", {0, 0, 320, 240}, screen, kShape4x3),
            (TVideoRect{340, 280, 320, 240}));
  // A size larger than the screen is clamped and fitted to the shape around the centre.
  EXPECT_EQ(PresetSizeRect("2000x2000", {340, 280, 320, 240}, screen, kShape4x3),
            (TVideoRect{0, 25, 1000, 750}));
  EXPECT_FALSE(PresetSizeRect("abc", {0, 0, 1, 1}, screen, kShape4x3));
}

TEST(VideoGeometryTest, KeepRatioResizeByEdge) {
  const TVideoRect r{100, 100, 400, 200};
  EXPECT_EQ(KeepRatioResize(r, TSizeEdge::Right, kShape4x3), (TVideoRect{100, 100, 400, 300}));
  EXPECT_EQ(KeepRatioResize(r, TSizeEdge::Bottom, kShape4x3), (TVideoRect{100, 100, 267, 200}));
  EXPECT_EQ(KeepRatioResize(r, TSizeEdge::TopLeft, kShape4x3), (TVideoRect{233, 100, 267, 200}));
  EXPECT_EQ(KeepRatioResize(r, TSizeEdge::TopRight, kShape4x3), (TVideoRect{100, 0, 400, 300}));
  EXPECT_EQ(KeepRatioResize(r, TSizeEdge::Left, kShapeFree), r);
}

TEST(VideoGeometryTest, MagneticEdgesSnapJumpAndStick) {
  const TVideoRect area{0, 0, 1280, 1000};
  TMagneticEdges edges;
  EXPECT_EQ(edges.Move({10, 300, 320, 240}, area, 0).Left, 0);    // snaps onto the edge
  EXPECT_EQ(edges.Move({40, 300, 320, 240}, area, 100).Left, 40); // dragged > 15 away
  TMagneticEdges beyond;
  EXPECT_EQ(beyond.Move({-5, 300, 320, 240}, area, 0).Left, -16);    // jumps beyond
  EXPECT_EQ(beyond.Move({-25, 300, 320, 240}, area, 100).Left, -16); // sticks for 250 ms
  EXPECT_EQ(beyond.Move({-25, 300, 320, 240}, area, 300).Left, -25); // then lets go
  EXPECT_EQ(beyond.Move({-40, 300, 320, 240}, area, 1000).Left, -40);
  TMagneticEdges far;
  EXPECT_EQ(far.Move({950, 750, 320, 240}, area, 0), (TVideoRect{960, 760, 320, 240}));
  EXPECT_EQ(far.Move({500, 400, 320, 240}, area, 1000), (TVideoRect{500, 400, 320, 240}));
}

TEST(VideoGeometryTest, DoubleClickRules) {
  EXPECT_EQ(DoubleClickRequest(true, true, 10, 100), 6);
  EXPECT_EQ(DoubleClickRequest(false, true, 10, 100), 5);
  EXPECT_EQ(DoubleClickRequest(false, true, 60, 100), 3);
  EXPECT_EQ(DoubleClickRequest(false, false, 10, 100), 3);
}

TEST(VideoWinConfigTest, ValueRules) {
  const TVideoSize screen{1280, 1024};
  EXPECT_EQ(ParseWinPos("-1,-1,0,0,7,9", screen),
            (TSavedWinPos{{480, 392, 320, 240}, true, kShape4x3}));
  EXPECT_EQ(ParseWinPos("", screen), (TSavedWinPos{{480, 392, 320, 240}, true, kShape4x3}));
  EXPECT_EQ(ParseWinPos("10,20,400,300,0,2", screen),
            (TSavedWinPos{{10, 20, 400, 300}, false, kShape16x9}));
  EXPECT_EQ(FormatWinPos({{10, 20, 400, 300}, false, 2}), "10,20,400,300,0,2");
  EXPECT_EQ(ParseSound("01000032"), (TVideoVolume{50, true}));
  EXPECT_EQ(ParseSound("000000FF"), (TVideoVolume{100, false}));
  EXPECT_EQ(ParseSound("zz"), (TVideoVolume{50, false}));
  EXPECT_EQ(FormatSound({50, true}), "01000032");
  EXPECT_EQ(ParseColorBytes("80-80 g80 8011223344"),
            (std::vector<std::uint8_t>{0x80, 0x80, 0x80, 0x80, 0x11, 0x22}));
}

class VideoWinFileTest : public ::testing::Test {
protected:
  std::string Read() {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  test::TTempDir dir{"qev_videowin_"};
  fs::path file = dir / "VideoWin.cfg";
};

TEST_F(VideoWinFileTest, PresetListsGetTheirDefaultsAndComment) {
  {
    frame::TFastIniFile ini(file);
    TVideoWinConfig config(ini);
    EXPECT_EQ(config.CustomSizes(), (std::vector<std::string>{"160x120", "320x240", "640x480"}));
    const auto positions = config.CustomPipPos();
    ASSERT_EQ(positions.size(), 9u);
    EXPECT_EQ(positions[1], "50,05");
    EXPECT_EQ(positions[3], "05,50");
    EXPECT_EQ(ini.UpdateFile(), "");
  }
  const std::string text = Read();
  const auto comment = text.find(std::string(";") + kPipPosComment);
  ASSERT_NE(comment, std::string::npos) << text;
  const auto header = text.find_first_not_of("\r\n", text.find('\n', comment));
  EXPECT_EQ(text.compare(header, 14, "[CustomPipPos]"), 0) << text;
  EXPECT_NE(text.find("Size0=160x120"), std::string::npos);
}

TEST_F(VideoWinFileTest, ColorsAndSoundRoundTripByTag) {
  {
    frame::TFastIniFile ini(file);
    TVideoWinConfig config(ini);
    PictureRecord p{0x0F, {'O', 'V', 'R', 'L'}, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}};
    config.WriteColors(3, p);
    config.WriteSound(3, {42, false});
    PictureRecord untagged{};
    config.WriteColors(2, untagged); // nothing stored without a tag
  }
  EXPECT_NE(Read().find("Video3_OVRL=123456789ABC"), std::string::npos) << Read();
  EXPECT_EQ(Read().find("Video2_"), std::string::npos);
  frame::TFastIniFile ini(file);
  TVideoWinConfig config(ini);
  PictureRecord p{0x0F, {'O', 'V', 'R', 'L'}, {}};
  EXPECT_TRUE(config.ReadColors(3, p));
  EXPECT_EQ(p.Values[5], 0xbc);
  PictureRecord other{0x0F, {'V', 'M', 'R', '9'}, {7}};
  EXPECT_FALSE(config.ReadColors(3, other));
  EXPECT_EQ(other.Values[0], 7);
  EXPECT_EQ(config.ReadSound(3), (TVideoVolume{42, false}));
}

TEST_F(VideoWinFileTest, UnreadableFileIsNotWrittenOver) {
  // A folder in the file's place cannot be read by anyone, root included.
  fs::create_directories(file / "keep");
  {
    frame::TFastIniFile ini(file);
    TVideoWinConfig config(ini);
    EXPECT_EQ(config.ReadSound(0), (TVideoVolume{50, false}));
    config.WriteSound(0, {99, true});
    EXPECT_EQ(config.CustomSizes().size(), 3u);
    EXPECT_TRUE(ini.Unreadable());
  }
  EXPECT_TRUE(fs::is_directory(file / "keep"));
}

TEST(MouseHideThreadTest, HidesAfterTwoIdleSecondsOverFullScreenOnly) {
  using TClock = TMouseHideThread::TClock;
  std::atomic<TClock::rep> now{0};
  std::atomic<bool> fullScreen{false};
  std::atomic<int> changes{0};
  std::atomic<bool> hiddenSeen{false};
  TMouseHideThread thread({[&] { return fullScreen.load(); },
                           [&](bool hidden) {
                             hiddenSeen = hidden;
                             ++changes;
                           },
                           [&] { return TClock::time_point(TClock::duration(now.load())); }});
  auto waitFor = [&](auto condition) {
    for (int i = 0; i < 500 && !condition(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return condition();
  };
  const auto ms = [](int n) {
    return std::chrono::duration_cast<TClock::duration>(std::chrono::milliseconds(n)).count();
  };
  now = ms(5000); // idle, but nothing is full screen
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(changes, 0);
  fullScreen = true;
  EXPECT_TRUE(waitFor([&] { return thread.Hidden(); }));
  EXPECT_TRUE(hiddenSeen);
  thread.MouseActivity();
  EXPECT_TRUE(waitFor([&] { return !thread.Hidden(); }));
  now = now + ms(1999);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(thread.Hidden());
  now = now + ms(1);
  EXPECT_TRUE(waitFor([&] { return thread.Hidden(); }));
  EXPECT_EQ(changes, 3);
}

} // namespace
} // namespace qev::video
