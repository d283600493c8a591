// The program's mouse gestures and child lock, driven as a user drives them: strokes with the
// right button over the videos, the lock's button and its password dialog.
#include "app/demo_root_test.h"
#include "app/qev_application.h"
#include "data/channel_lists.h"
#include "device/engine_steps.h"
#include "frame/fast_ini_file.h"
#include "frame/md5.h"
#include "frame/options.h"
#include "support/screenshot.h"
#include "teletext/qt/form_teletext.h"
#include "ui/child_lock.h"
#include "ui/gesture_table.h"
#include "ui/qt/child_lock_button.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/qt/gesture_hook.h"
#include "ui/qt/password_dialog.h"
#include "video/qt/video_manager.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <fstream>

using namespace qev;

namespace {

constexpr std::int32_t kFirstChannel = 65536;

// A right-button stroke through the widget's window, as the desktop delivers it.
void Stroke(QWidget *widget, std::initializer_list<QPoint> points) {
  QWindow *window = widget->window()->windowHandle();
  const auto at = [widget](QPoint p) { return widget->mapTo(widget->window(), p); };
  auto point = points.begin();
  QTest::mousePress(window, Qt::RightButton, {}, at(*point));
  for (++point; point != points.end(); ++point)
    QTest::mouseMove(window, at(*point));
  QTest::mouseRelease(window, Qt::RightButton, {}, at(*std::prev(points.end())));
}

// Answers the next password dialog with the text, or cancels it when the text is empty.
void AnswerPasswordDialog(const QString &text) {
  QTimer::singleShot(0, [text] {
    auto *dialog = qobject_cast<ui::TFormPassword *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    if (text.isEmpty()) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      return;
    }
    QTest::keyClicks(dialog->Field(), text);
    QTest::keyClick(dialog->Field(), Qt::Key_Return);
  });
}

class AppInput : public test::DemoRootTest {
protected:
  AppInput() : DemoRootTest("qev-app-input-") {}
  void TearDown() override {
    ui::Gestures() = ui::TGestureTable();
    DemoRootTest::TearDown();
  }

  bool Listed(ui::TFormDvbMain &main, std::int32_t handle) {
    return main.ChannelTree(0)->FocusChannel(handle);
  }
};

TEST_F(AppInput, StrokesOverTheVideosRunTheirActions) {
  std::ofstream(frame::Paths().GesturesFile) << "1010,UD,\"Video - Floating Window\"\n";
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  video::TVideoManager *videos = application.Videos();
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, kFirstChannel, false));
  ASSERT_EQ(videos->Outputs().State(0), video::kEmbedded);
  QWidget *panel = application.MainWindow()->VideoPanel();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel->window()));

  Stroke(panel, {{100, 100}, {100, 60}}); // U: no longer an action
  EXPECT_EQ(videos->Outputs().State(0), video::kEmbedded);
  Stroke(panel, {{100, 100}, {100, 60}, {100, 110}}); // UD from Gestures.cfg: floating
  EXPECT_EQ(videos->Outputs().State(0), video::kFloating);

  QWidget *floating = &videos->Floating(0).Panel();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(floating->window()));
  Stroke(floating, {{60, 40}, {60, 90}, {110, 90}}); // DR: back where it was
  EXPECT_EQ(videos->Outputs().State(0), video::kEmbedded);

  application.RequestClose();
}

TEST_F(AppInput, ALockedChannelIsHiddenAndRefusedUntilThePasswordIsGiven) {
  {
    frame::TFastIniFile options(frame::Paths().OptionsFile);
    options.WriteString("Options", "ChpDigest", frame::Md5Hex("PIN"));
  }
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain &main = *application.MainWindow();
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, kFirstChannel + 1, false));
  data::TChannelRec rec = *data::ChannelLists().ChannelByHandle(kFirstChannel);
  rec.ChildLock = 1;
  data::ChannelLists().ListOf(1)->ListSet(0, rec);
  main.ChannelTree(0)->RefilterTree();

  EXPECT_TRUE(ui::ChildLock().Active());
  EXPECT_FALSE(Listed(main, kFirstChannel));
  EXPECT_FALSE(device::TuningEngine().SwitchChannel(0, kFirstChannel, false));
  EXPECT_EQ(device::TuningEngine().Slot(0).CurrentHandle, kFirstChannel + 1);

  auto *button = main.findChild<ui::TChildLockButton *>("childLockButton");
  ASSERT_NE(button, nullptr);
  AnswerPasswordDialog("nip");
  button->click();
  EXPECT_FALSE(button->isChecked()); // a wrong password pops the button up again
  EXPECT_FALSE(Listed(main, kFirstChannel));

  AnswerPasswordDialog("pin");
  button->click();
  EXPECT_TRUE(button->isChecked());
  EXPECT_FALSE(ui::ChildLock().Active());
  QApplication::processEvents();
  EXPECT_TRUE(Listed(main, kFirstChannel));
  EXPECT_TRUE(device::TuningEngine().SwitchChannel(0, kFirstChannel, false));
  test::SaveScreenshot(main, "main_window_child_lock_off");

  button->click(); // released: engaged again
  EXPECT_TRUE(ui::ChildLock().Active());
  QApplication::processEvents();
  EXPECT_FALSE(Listed(main, kFirstChannel));
  application.RequestClose();
}

TEST_F(AppInput, StrokesOverTheTeletextPageTurnItsPagesEvenWithVideoGesturesOff) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  frame::Options().General.GesturesEnabled = false;
  auto *button = application.MainWindow()->findChild<QToolButton *>("teletextButton");
  ASSERT_TRUE(button);
  ASSERT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, 15000));
  button->click();
  teletext::TFormTeletext *form = teletext::TFormTeletext::Instance();
  ASSERT_TRUE(form);
  QWidget *page = form->findChild<QWidget *>("ttxImage");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
  EXPECT_EQ(form->Navigator().Page(), 100);
  Stroke(page, {{100, 100}, {160, 100}}); // R: next page
  EXPECT_EQ(form->Navigator().Page(), 101);
  Stroke(page, {{100, 100}, {100, 150}, {50, 150}}); // DL: page 100
  EXPECT_EQ(form->Navigator().Page(), 100);
  button->click(); // the same window again, with one recogniser
  EXPECT_EQ(page->findChildren<ui::TGestureHook *>().size(), 1);
  Stroke(page, {{100, 100}, {100, 150}, {150, 150}}); // DR: closes the window
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(teletext::TFormTeletext::Instance(), nullptr);

  // The video ignores strokes while the option is off.
  ASSERT_TRUE(device::TuningEngine().SwitchChannel(0, kFirstChannel, false));
  Stroke(application.MainWindow()->VideoPanel(), {{100, 100}, {100, 40}});
  EXPECT_EQ(application.Videos()->Outputs().State(0), video::kEmbedded);
  frame::Options().General.GesturesEnabled = true;
  application.RequestClose();
}

} // namespace
