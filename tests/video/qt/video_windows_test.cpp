#include "frame/fast_ini_file.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"
#include "video/qt/frame_color_control.h"
#include "video/qt/video_manager.h"
#include "video/qt/video_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qev::video {
namespace {

namespace fs = std::filesystem;

// A 4:3 I420 frame of one colour.
std::shared_ptr<const TVideoFrame> SolidFrame(int width, int height, std::uint8_t y, std::uint8_t u,
                                              std::uint8_t v) {
  auto planes = std::make_shared<std::vector<std::uint8_t>>(width * height * 3 / 2);
  std::fill_n(planes->begin(), width * height, y);
  std::fill_n(planes->begin() + width * height, width * height / 4, u);
  std::fill_n(planes->begin() + width * height * 5 / 4, width * height / 4, v);
  auto frame = std::make_shared<TVideoFrame>();
  frame->Width = width;
  frame->Height = height;
  frame->AspectX = 4;
  frame->AspectY = 3;
  frame->Planes[0] = planes->data();
  frame->Planes[1] = planes->data() + width * height;
  frame->Planes[2] = planes->data() + width * height * 5 / 4;
  frame->Strides[0] = width;
  frame->Strides[1] = frame->Strides[2] = width / 2;
  frame->Keep = planes;
  return frame;
}

bool WaitPainted(IVideoSurfaceWidget &surface, std::uint64_t count = 1) {
  for (int i = 0; i < 200 && surface.PaintedFrames() < count; ++i) {
    QApplication::processEvents();
    surface.Widget()->repaint();
    QTest::qWait(5);
  }
  return surface.PaintedFrames() >= count;
}

TEST(VideoSurfaceTest, FourThreeFrameIsPillarBoxedInAWidePanel) {
  TVideoPanel panel;
  panel.resize(640, 360);
  panel.show();
  panel.SetPictureRect({0, 0, 640, 360});
  // Presented as a renderer does, through the registry and from another thread.
  std::thread renderer(
      [&] { EXPECT_TRUE(PresentToSurface(panel.Handle(), SolidFrame(64, 48, 81, 90, 240))); });
  renderer.join();
  ASSERT_TRUE(WaitPainted(panel.Surface()));
  EXPECT_EQ(panel.Surface().UsesOpenGl(), OpenGlAvailable());
  if (QGuiApplication::platformName() == "offscreen") {
    EXPECT_FALSE(panel.Surface().UsesOpenGl());
  }
  std::cout << "surface: " << (panel.Surface().UsesOpenGl() ? "OpenGL" : "CPU") << "\n";
  const QImage shot = panel.grab().toImage();
  test::SaveScreenshot(panel, "video_surface_pillarbox");
  ASSERT_EQ(shot.width(), 640);
  const QColor left = shot.pixelColor(30, 180), middle = shot.pixelColor(320, 180),
               right = shot.pixelColor(610, 180);
  EXPECT_EQ(left, QColor(Qt::black));
  EXPECT_EQ(right, QColor(Qt::black));
  EXPECT_GT(middle.red(), 230); // BT.601 red
  EXPECT_LT(middle.green(), 30);
  EXPECT_LT(middle.blue(), 30);
  // The picture's edges: 480 wide from x = 80.
  EXPECT_EQ(shot.pixelColor(78, 180), QColor(Qt::black));
  EXPECT_GT(shot.pixelColor(82, 180).red(), 200);
  EXPECT_GT(shot.pixelColor(557, 180).red(), 200);
  EXPECT_EQ(shot.pixelColor(562, 180), QColor(Qt::black));
}

TEST(VideoSurfaceTest, StretchFillsTheRectangleAndAClearedSurfaceIsBlack) {
  TVideoPanel panel;
  panel.resize(320, 180);
  panel.show();
  TRendererGeometry stretch{10, 10, 300, 160, 0};
  ASSERT_TRUE(SetSurfaceGeometry(panel.Handle(), stretch));
  panel.Surface().PresentFrame(SolidFrame(16, 12, 41, 240, 110)); // blue
  ASSERT_TRUE(WaitPainted(panel.Surface()));
  QImage shot = panel.grab().toImage();
  EXPECT_GT(shot.pixelColor(15, 90).blue(), 200);
  EXPECT_EQ(shot.pixelColor(5, 90), QColor(Qt::black));
  EXPECT_EQ(QRect(10, 10, 300, 160),
            PictureTarget(stretch, true, {320, 180}, *SolidFrame(16, 12, 0, 0, 0)));
  ASSERT_TRUE(ClearSurface(panel.Handle()));
  QTest::qWait(20);
  QApplication::processEvents();
  shot = panel.grab().toImage();
  EXPECT_EQ(shot.pixelColor(160, 90), QColor(Qt::black));
}

TEST(VideoSurfaceTest, HdFramesUseTheBt709Matrix) {
  // The same YUV gives different greens in the two matrices.
  const QImage sd = FrameToImage(*SolidFrame(16, 12, 128, 64, 64));
  const QImage hd = FrameToImage(*SolidFrame(1280, 720, 128, 64, 64));
  EXPECT_NE(sd.pixelColor(0, 0).green(), hd.pixelColor(0, 0).green());
  EXPECT_NEAR(hd.pixelColor(0, 0).red(), 14, 3); // 1.164 x 112 - 1.793 x 64
}

struct FakePlayback : IVideoPlayback {
  std::uintptr_t Start(int index, std::uintptr_t owner) override {
    PresentToSurface(owner, SolidFrame(64, 48, 81, 90, 240));
    return 1000 + index;
  }
  std::uintptr_t Move(int index, std::uintptr_t owner) override {
    PresentToSurface(owner, SolidFrame(64, 48, 81, 90, 240));
    return 1000 + index;
  }
  void SetRect(int, const TVideoRect &) override {}
  void SetOption(int, int, int) override {}
  void Stop(int) override {}
  bool Sound(int, bool, SoundRecord &) override { return true; }
  bool Picture(int, bool, PictureRecord &) override { return false; }
  std::string Error(int) override { return "no signal"; }
};

class VideoWindowsTest : public ::testing::Test {
protected:
  void SetUp() override {
    mainPanel.resize(640, 360);
    mainPanel.show();
    manager.AttachMainPanel(&mainPanel);
  }
  TVideoContext Context() {
    TVideoContext c;
    c.ConfigFile = [this] { return (dir / "VideoWin.cfg").string(); };
    return c;
  }
  QStringList MenuItems(int index) {
    QStringList names;
    const auto menu = manager.BuildMenu(index);
    for (QAction *action : menu->actions())
      if (!action->objectName().isEmpty())
        names << action->objectName();
    return names;
  }
  void SendKey(QWidget &window, Qt::Key key) {
    QWidget *focused = QApplication::focusWidget();
    QTest::keyClick(focused && focused->window() == &window ? focused : &window, key);
  }

  test::TTempDir dir{"qev_vwin_"};
  FakePlayback playback;
  TVideoPanel mainPanel;
  bool zone = true;
  TVideoManager manager{playback, Context(),
                        {nullptr, [this] { return zone; }, nullptr, nullptr, nullptr}};
};

TEST_F(VideoWindowsTest, FloatingWindowKeysAndDoubleClicks) {
  TVideoOutputs &outputs = manager.Outputs();
  outputs.SetVideoState(0, kEmbedded, false);
  outputs.SetVideoState(1, kFloating, false);
  TFloatingVideo &window = manager.Floating(1);
  ASSERT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(320, 240)); // the default place of a new file
  ASSERT_TRUE(WaitPainted(window.Panel().Surface()));
  test::SaveScreenshot(window, "video_floating");
  // A click makes it the active floating video, and it blinks its mark.
  outputs.SetVideoState(2, kFloating, false);
  EXPECT_EQ(outputs.ActiveFloating(), 2);
  QTest::mousePress(&window.Panel(), Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseRelease(&window.Panel(), Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(outputs.ActiveFloating(), 1);
  EXPECT_TRUE(window.Marked());
  outputs.SetVideoState(2, kClosed, false);
  SendKey(window, Qt::Key_Escape);
  EXPECT_EQ(outputs.State(1), kClosed);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(outputs.State(0), kEmbedded);

  // Double click in the lower half: full screen; in full screen: back.
  outputs.SetVideoState(1, kFloating, false);
  QTest::mouseDClick(&window.Panel(), Qt::LeftButton, {}, QPoint(100, 200));
  EXPECT_EQ(outputs.State(1), kFullScreen);
  EXPECT_TRUE(window.FullScreen());
  QTest::mouseDClick(&window.Panel(), Qt::LeftButton, {}, QPoint(100, 10));
  EXPECT_EQ(outputs.State(1), kFloating);
  // Upper half with the zone option: leaves the floating window.
  QTest::mouseDClick(&window.Panel(), Qt::LeftButton, {}, QPoint(100, 10));
  EXPECT_EQ(outputs.State(1), kClosed);
  zone = false;
  outputs.SetVideoState(1, kFloating, false);
  QTest::mouseDClick(&window.Panel(), Qt::LeftButton, {}, QPoint(100, 10));
  EXPECT_EQ(outputs.State(1), kFullScreen);
  SendKey(window, Qt::Key_Space); // back to where it was before the floating window: closed
  EXPECT_EQ(outputs.State(1), kClosed);
}

TEST_F(VideoWindowsTest, WindowPlaceIsSavedAndPresetsKeepTheShape) {
  TVideoOutputs &outputs = manager.Outputs();
  outputs.SetVideoState(2, kFloating, false);
  TFloatingVideo &window = manager.Floating(2);
  window.SetShape(kShape16x9);
  EXPECT_EQ(window.size(), QSize(320, 180));
  EXPECT_TRUE(window.ApplyPresetSize("640x480"));
  EXPECT_EQ(window.size(), QSize(640, 360));
  EXPECT_FALSE(window.ApplyPresetSize("six by four"));
  // The presets cycle: 160x120 fitted to 16:9 around the centre, then the first position's
  // centre (5 % of the screen) kept on the screen.
  manager.NextPresetSize(2);
  EXPECT_EQ(window.size(), QSize(160, 90));
  manager.NextPresetPosition(2);
  const QSize screen = window.screen()->geometry().size();
  EXPECT_EQ(window.geometry().topLeft(), QPoint(std::max(0, screen.width() * 5 / 100 - 80),
                                                std::max(0, screen.height() * 5 / 100 - 45)));
  EXPECT_TRUE(window.ApplyPresetSize("640x480"));
  window.setGeometry(40, 50, 640, 360);
  outputs.SetVideoState(2, kClosed, false);
  outputs.SetVideoState(2, kFloating, false);
  EXPECT_EQ(window.geometry(), QRect(40, 50, 640, 360));
  EXPECT_EQ(window.Shape(), kShape16x9);
}

TEST_F(VideoWindowsTest, GraphConfigurationItemCallsItsLink) {
  EXPECT_FALSE(manager.BuildMenu(0)->findChild<QAction *>("MnuDsConfig")->isEnabled());
  int asked = -1;
  TVideoManagerLinks links;
  links.GraphConfig = [&](int index) { asked = index; };
  TVideoManager linked(playback, Context(), links);
  const auto menu = linked.BuildMenu(4);
  QAction *item = menu->findChild<QAction *>("MnuDsConfig");
  ASSERT_TRUE(item->isEnabled());
  item->trigger();
  EXPECT_EQ(asked, 4);
}

TEST_F(VideoWindowsTest, ContextMenuItemsFollowTheState) {
  TVideoOutputs &outputs = manager.Outputs();
  outputs.SetVideoState(0, kEmbedded, false);
  QStringList items = MenuItems(0);
  for (const char *name :
       {"MnuDsFilters", "MnuVidAr_Letterbox", "MnuVidAr_Stretch4x3", "MnuVidAr_Stretch16x9",
        "MnuDsConfig", "MnuPictureSettings", "MnuSetFS", "MnuSetFloat"})
    EXPECT_TRUE(items.contains(name)) << name;
  for (const char *name : {"MnuBorderless", "MnuCloseRest", "MnuResFS", "MnuWinA_Free"})
    EXPECT_FALSE(items.contains(name)) << name;

  outputs.SetVideoState(0, kFloating, false);
  items = MenuItems(0);
  for (const char *name : {"MnuBorderless", "MnuCustomSize", "MnuCloseRest", "MnuSetFS",
                           "MnuWinA_Free", "MnuWinA_K04_03", "MnuWinA_K16_09"})
    EXPECT_TRUE(items.contains(name)) << name;
  EXPECT_FALSE(items.contains("MnuSetFloat"));

  outputs.SetVideoState(0, kFullScreen, false);
  items = MenuItems(0);
  EXPECT_TRUE(items.contains("MnuResFS"));
  EXPECT_TRUE(items.contains("MnuSetFloat"));
  EXPECT_FALSE(items.contains("MnuSetFS"));
  EXPECT_FALSE(items.contains("MnuBorderless"));

  // Choosing an item acts on the video.
  const auto menu = manager.BuildMenu(0);
  menu->findChild<QAction *>("MnuResFS")->trigger();
  EXPECT_EQ(outputs.State(0), kFloating);
  manager.BuildMenu(0)->findChild<QAction *>("MnuVidAr_Stretch4x3")->trigger();
  EXPECT_EQ(outputs.PictureShape(0), kShape4x3);
}

TEST_F(VideoWindowsTest, WaitAndErrorMessagesLieOverThePanel) {
  mainPanel.ShowMessage(WaitMessage());
  EXPECT_EQ(mainPanel.MessageText(), kWaitText);
  EXPECT_EQ(mainPanel.MessageLabel()->geometry(), mainPanel.rect());
  mainPanel.ShowMessage(ErrorMessage(""));
  EXPECT_EQ(mainPanel.MessageText(), kNoErrorText);
  EXPECT_EQ(mainPanel.MessageLabel()->geometry().top(), 0);
  test::SaveScreenshot(mainPanel, "video_error_message");
  mainPanel.HideMessage();
  EXPECT_EQ(mainPanel.MessageText(), "");
}

} // namespace
} // namespace qev::video

namespace qev::video {
namespace {

struct PicturePlayback : FakePlayback {
  PictureRecord device{QEV_PICTURE_BRIGHTNESS | QEV_PICTURE_CONTRAST,
                       {'O', 'V', 'R', 'L'},
                       {100, 110, 120, 130, 0, 0}};
  std::vector<PictureRecord> applied;
  std::vector<int> volumes;
  bool Picture(int, bool set, PictureRecord &p) override {
    if (set)
      applied.push_back(p);
    else
      p = device;
    return true;
  }
  bool Sound(int, bool set, SoundRecord &s) override {
    if (set)
      volumes.push_back(s.Volume);
    return true;
  }
};

TEST(PictureSettingsTest, SlidersApplyAtOnceResetAndSaveOnClose) {
  const test::TTempDir dir("qev_pic_");
  PicturePlayback playback;
  TVideoContext context;
  context.ConfigFile = [&] { return (dir / "VideoWin.cfg").string(); };
  TVideoManager manager(playback, context);
  TVideoPanel panel;
  panel.resize(320, 240);
  manager.AttachMainPanel(&panel);
  manager.Outputs().SetVideoState(0, kEmbedded, false);
  manager.BuildMenu(0)->findChild<QAction *>("MnuPictureSettings")->trigger();
  TFrameColorControl *frame = manager.PictureSettings();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->windowTitle(), "Picture settings [AV0-Main] OVRL");
  // Saturation and hue are missing in the device's record.
  EXPECT_EQ(frame->ValueLabel(2)->text(), "N/A");
  EXPECT_FALSE(frame->Slider(3)->isEnabled());
  EXPECT_EQ(frame->Slider(1)->value(), 110);

  frame->Slider(1)->setValue(200);
  ASSERT_FALSE(playback.applied.empty());
  EXPECT_EQ(playback.applied.back().Flags, 0x0Fu);
  EXPECT_EQ(playback.applied.back().Values[1], 200);
  frame->ResetControl(0); // brightness of the overlay mixer
  EXPECT_EQ(playback.applied.back().Values[0], 18);
  frame->ResetControl(1);
  EXPECT_EQ(playback.applied.back().Values[1], 128);

  frame->MuteBox()->setChecked(true);
  EXPECT_EQ(playback.volumes.back(), 0);
  frame->MuteBox()->setChecked(false);
  frame->VolumeSlider()->setValue(70);
  EXPECT_EQ(playback.volumes.back(), 70);
  test::SaveScreenshot(*frame, "picture_settings");
  frame->close();
  QApplication::processEvents();
  frame::TFastIniFile ini(dir / "VideoWin.cfg");
  EXPECT_EQ(ini.ReadString("ColorSettings", "Video0_OVRL", ""), "128078820000");
  EXPECT_EQ(ini.ReadString("SoundSettings", "Audio0", ""), "00000046");
}

} // namespace
} // namespace qev::video
