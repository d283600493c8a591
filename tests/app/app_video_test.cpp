// The program on the simulated sky shows live picture in its main window and in a floating one.
#include "app/demo_root_test.h"
#include "app/qev_application.h"
#include "device/device_module.h"
#include "device/engine_steps.h"
#include "frame/power_events.h"
#include "support/screenshot.h"
#include "ui/qt/form_dvb_main.h"
#include "video/graph_slots.h"
#include "video/qt/video_manager.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

using namespace qev;

namespace {

class AppVideo : public test::DemoRootTest {
protected:
  AppVideo() : DemoRootTest("qev-app-video-") {}

  // Distinct colours in the rectangle, sampled on a grid.
  static std::size_t Colours(const QImage &image, const QRect &area) {
    std::set<QRgb> colours;
    for (int y = area.top(); y < area.bottom(); y += 7)
      for (int x = area.left(); x < area.right(); x += 7)
        colours.insert(image.pixel(x, y));
    return colours.size();
  }
};

TEST_F(AppVideo, MainWindowShowsTheDemoChannelAndAv1Floats) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  video::TVideoManager *videos = application.Videos();
  ASSERT_NE(videos, nullptr);
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, 65536, false));
  EXPECT_EQ(videos->Outputs().State(0), video::kEmbedded);
  video::TVideoPanel *panel = application.MainWindow()->VideoPanel();
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Surface().PaintedFrames() > 2; }, 20000))
      << "no picture painted; graph error: " << application.GraphSlots()->LastError(0);
  QTest::qWait(300);
  test::SaveScreenshot(*application.MainWindow(), "main_window_live_picture");
  const QImage shot = panel->grab().toImage();
  const video::TVideoRect r = panel->PictureRect();
  ASSERT_GT(r.Width, 0);
  EXPECT_GT(Colours(shot, QRect(r.Left, r.Top, r.Width, r.Height)), 8u)
      << "the picture area is uniformly coloured";

  // The module has a second video stream: AV1 opens in its own window.
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(1, 65536, false));
  EXPECT_EQ(videos->Outputs().State(1), video::kFloating);
  EXPECT_EQ(videos->Outputs().State(0), video::kEmbedded);
  EXPECT_TRUE(videos->Floating(1).isVisible());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return videos->Floating(1).Panel().Surface().PaintedFrames() > 0; }, 20000));
  test::SaveScreenshot(videos->Floating(1), "floating_av1_live_picture");

  application.RequestClose();
  for (int i = 0; i < video::kVideoCount; ++i)
    EXPECT_EQ(videos->Outputs().State(i), video::kClosed) << i;
  EXPECT_EQ(application.GraphSlots(), nullptr);
}

// A system suspend gives up the device and closes the pictures; the resume loads the module
// again, switches back to the channel and the main picture moves again.
TEST_F(AppVideo, PictureComesBackAfterSuspendAndResume) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  video::TVideoManager *videos = application.Videos();
  ASSERT_NE(videos, nullptr);
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, 65536, false));
  video::TVideoPanel *panel = application.MainWindow()->VideoPanel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->Surface().PaintedFrames() > 2; }, 20000));

  application.Power().Suspend();
  EXPECT_EQ(videos->Outputs().State(0), video::kClosed);
  EXPECT_FALSE(device::Device().Loaded());
  const auto painted = panel->Surface().PaintedFrames();
  application.Power().Resume();
  ASSERT_TRUE(device::Device().Loaded());
  EXPECT_EQ(videos->Outputs().State(0), video::kEmbedded);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return panel->Surface().PaintedFrames() > painted + 2; }, 20000))
      << "no picture painted after the resume; graph error: "
      << application.GraphSlots()->LastError(0);

  application.RequestClose();
  EXPECT_EQ(videos->Outputs().State(0), video::kClosed);
}

} // namespace
