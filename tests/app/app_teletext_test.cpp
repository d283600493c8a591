// The teletext window in the program on the demo sky: opened from the main window's button once
// the demo channel is tuned, it shows the broadcast pages with their running clock.
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "support/screenshot.h"
#include "teletext/qt/form_teletext.h"
#include "teletext/teletext.h"
#include "ui/qt/form_dvb_main.h"

#include <QTest>
#include <QToolButton>

using namespace qev;

namespace {

class AppTeletext : public test::DemoRootTest {
protected:
  AppTeletext() : DemoRootTest("qev-app-teletext-") {}
};

std::string Clock(const teletext::TFormTeletext &form) {
  const auto header = form.Navigator().HeaderRow();
  return std::string(header.begin() + 32, header.end());
}

TEST_F(AppTeletext, TheWindowShowsTheDemoPagesWithARunningClock) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  auto *button = application.MainWindow()->findChild<QToolButton *>("teletextButton");
  ASSERT_TRUE(button);
  ASSERT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, 15000));
  QTest::mouseClick(button, Qt::LeftButton);
  teletext::TFormTeletext *form = teletext::TFormTeletext::Instance();
  ASSERT_TRUE(form);
  EXPECT_EQ(application.Teletext().Users(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->Navigator().ShownPage().has_value(); }, 15000));
  EXPECT_EQ(form->Navigator().Page(), 100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Clock(*form) != std::string(8, '\0'); }, 15000));
  const std::string first = Clock(*form);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Clock(*form) != first; }, 5000))
      << "the clock stands at " << first;
  test::SaveScreenshot(*form, "app_teletext_page_100");

  // Typed on the image, page 200 shows the national sets of the broadcast.
  QWidget *image = form->findChild<QWidget *>("ttxImage");
  ASSERT_TRUE(image);
  for (Qt::Key key : {Qt::Key_2, Qt::Key_0, Qt::Key_0})
    QTest::keyClick(image, key);
  EXPECT_EQ(form->Navigator().Page(), 200);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->Navigator().ShownPage().has_value(); }, 15000));
  test::SaveScreenshot(*form, "app_teletext_page_200");

  // Clicking the button again brings the same window to the front.
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(teletext::TFormTeletext::Instance(), form);
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(teletext::TFormTeletext::Instance(), nullptr);
  EXPECT_EQ(application.Teletext().Users(), 0);
  application.RequestClose();
}

} // namespace
