// The main window's subtitle button on the demo sky: the captions of page 888 appear outlined
// over the live picture and follow the picture into its floating window.
#include "app/demo_root_test.h"
#include "app/qev_application.h"
#include "device/engine_steps.h"
#include "support/screenshot.h"
#include "teletext/qt/subtitle_overlay.h"
#include "teletext/teletext.h"
#include "ui/qt/form_dvb_main.h"
#include "video/qt/video_manager.h"

#include <QInputDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qev;

namespace {

class AppSubtitles : public test::DemoRootTest {
protected:
  AppSubtitles() : DemoRootTest("qev-app-subtitles-") {}

  static teletext::TSubtitleOverlay *Overlay(QWidget &panel) {
    return panel.findChild<teletext::TSubtitleOverlay *>();
  }
  // The lines the overlay over `panel` shows, none while it is hidden or absent.
  static teletext::TSubtitleLines Shown(QWidget &panel) {
    teletext::TSubtitleOverlay *overlay = Overlay(panel);
    return overlay && overlay->isVisible() ? overlay->Lines() : teletext::TSubtitleLines{};
  }
  static bool ShowsCaption(QWidget &panel) {
    const auto lines = Shown(panel);
    return !lines.empty() && !lines[0].starts_with(u"QEVDVB");
  }
  static void TypePage(const QString &page) {
    QTimer::singleShot(0, [page] {
      if (auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
        box->setTextValue(page);
        box->accept();
      }
    });
  }
};

TEST_F(AppSubtitles, Page888OfTheDemoChannelShowsOverThePictureAndFollowsIt) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain &window = *application.MainWindow();
  window.resize(1280, 720);
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, 65536, false));
  video::TVideoPanel &panel = *window.VideoPanel();
  auto *button = window.findChild<QToolButton *>("subtitleButton");
  ASSERT_NE(button, nullptr);

  TypePage("888");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(button->text(), "Sub/888");
  EXPECT_TRUE(application.Teletext().Running());
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShowsCaption(panel); }, 20000))
      << "still shown: " << (Shown(panel).empty() ? "nothing" : "the waiting line");
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel.Surface().PaintedFrames() > 2; }, 20000));
  // Only for the screenshot: the captions alternate, and the two-line one shows more.
  (void)QTest::qWaitFor([&] { return Shown(panel).size() == 2; }, 5000);
  test::SaveScreenshot(window, "main_window_subtitles");

  // The main video floats: the subtitles go with it.
  application.Videos()->Outputs().SetVideoState(0, video::kFloating, false);
  QWidget &floating = application.Videos()->Floating(0).Panel();
  ASSERT_NE(Overlay(floating), nullptr);
  EXPECT_EQ(Overlay(panel), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsCaption(floating); }, 20000));
  application.Videos()->Outputs().SetVideoState(0, video::kEmbedded, true);
  EXPECT_NE(Overlay(panel), nullptr);

  // The page list fills the button's menu.
  EXPECT_TRUE(QTest::qWaitFor([&] { return button->menu() != nullptr; }, 10000));

  QTest::mouseClick(button, Qt::LeftButton); // released: the subtitles stop at once
  EXPECT_EQ(button->text(), "Sub");
  EXPECT_EQ(Overlay(panel), nullptr);
  application.RequestClose();
}

} // namespace
