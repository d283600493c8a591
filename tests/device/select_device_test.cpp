// The device choice window, driven as a user would, with the countdown ticked by hand.
#include "device/qt/form_select_device.h"
#include "support/screenshot.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstring>

using namespace qev::device;

namespace {

DeviceModuleRow Row(const char* file, const char* name) {
  DeviceModuleRow row;
  row.fileName = file;
  row.version = "1.0.0.2";
  row.description.Version = QEV_DEVAPI_VERSION;
  std::strcpy(row.description.Name, name);
  std::strcpy(row.description.Author, "somebody");
  row.description.VideoStreams = 2;
  row.description.VideoDecoders = 3;
  return row;
}

std::vector<DeviceModuleRow> TwoRows() {
  return {Row("Dev_Sim.int", "Simulated sky"), Row("Dev_LinuxDvb.int", "Linux DVB card")};
}

QPushButton* Button(QWidget& window, const QString& prefix) {
  for (auto* button : window.findChildren<QPushButton*>())
    if (button->text().startsWith(prefix))
      return button;
  return nullptr;
}

// Shows the window, makes it the active one and presses keys where a user's keys go: into the
// widget that has the focus.
class ActiveWindow {
public:
  explicit ActiveWindow(QWidget& window) {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  static void Press(Qt::Key key) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key);
  }
};

} // namespace

TEST(SelectDevice, CountsDownTowardsTheLastChoiceAndChoosesIt) {
  TFormSelectDevice window(TwoRows(), "DEV_LINUXDVB.INT", false);
  window.show();
  ASSERT_NE(Button(window, "Select (9)"), nullptr);
  for (int i = 0; i < 3; ++i)
    window.Tick();
  EXPECT_NE(Button(window, "Select (6)"), nullptr);
  window.findChild<QTreeWidget*>()->setFocus();
  qev::test::SaveScreenshot(window, "device_choice_countdown");
  for (int i = 0; i < 6; ++i)
    window.Tick();
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Chosen(), "Dev_LinuxDvb.int");
}

TEST(SelectDevice, TouchingTheListStopsTheCountdown) {
  TFormSelectDevice window(TwoRows(), "Dev_Sim.int", false);
  ActiveWindow active(window);
  auto* list = window.findChild<QTreeWidget*>();
  list->setFocus();
  ActiveWindow::Press(Qt::Key_Down);
  EXPECT_FALSE(window.Countdown().Running());
  EXPECT_NE(Button(window, "Select"), nullptr);
  for (int i = 0; i < 12; ++i)
    window.Tick();
  EXPECT_TRUE(window.isVisible()); // nothing chosen by itself
  ActiveWindow::Press(Qt::Key_Return);
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Chosen(), "Dev_LinuxDvb.int");
}

TEST(SelectDevice, SpaceConfirmsTheFocusedRowWhenTheListHasTheFocus) {
  TFormSelectDevice window(TwoRows(), "Dev_LinuxDvb.int", false);
  ActiveWindow active(window);
  window.findChild<QTreeWidget*>()->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), window.findChild<QTreeWidget*>());
  ActiveWindow::Press(Qt::Key_Space);
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Chosen(), "Dev_LinuxDvb.int");
}

TEST(SelectDevice, DetailsDescribeTheFocusedModule) {
  TFormSelectDevice window(TwoRows(), "", false);
  window.show();
  EXPECT_FALSE(window.Countdown().Running());
  window.findChild<QTreeWidget*>()->setCurrentItem(
      window.findChild<QTreeWidget*>()->topLevelItem(0));
  Button(window, "Details")->click();
  QTreeWidget* details = window.findChildren<QTreeWidget*>().at(1);
  ASSERT_TRUE(details->isVisible());
  QStringList lines;
  for (int i = 0; i < details->topLevelItemCount(); ++i)
    lines << details->topLevelItem(i)->text(0) + "=" + details->topLevelItem(i)->text(1);
  EXPECT_EQ(lines.join(";").toStdString(),
            "Name=Simulated sky;Author=somebody;Video Streams=2;Video Decoder=Hardware/Software;"
            "Min Filters=0;188 Packets=No");
  qev::test::SaveScreenshot(window, "device_choice_details");
}

TEST(SelectDevice, AnEmptyListConfirmsWithNoDeviceAndEscapeCancels) {
  for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
    TFormSelectDevice window({}, "", false);
    ActiveWindow active(window);
    ActiveWindow::Press(key);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Chosen(), "");
  }
  TFormSelectDevice window(TwoRows(), "", false);
  ActiveWindow active(window);
  ActiveWindow::Press(Qt::Key_Escape);
  EXPECT_EQ(window.result(), QDialog::Rejected);
}
