#include "ui/qt/form_diseqc_console.h"
#include "ui/qt/form_diseqc_log.h"

#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "ui/sat_ui_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::ui::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Closing frees the console later, as the event loop gets to it.
void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class DiseqcConsoleTest : public ::testing::Test, protected SatUiFixture {
protected:
  void TearDown() override {
    if (console)
      console->close();
    RunDeferredDeletes();
  }

  void Open() {
    console = TFormDiseqcConsole::ShowConsole(nullptr, context);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(console.data()));
  }
  template <typename T = QWidget> T *Part(const char *name) const {
    T *part = console->findChild<T *>(name);
    EXPECT_NE(part, nullptr) << name;
    return part;
  }
  void Click(const char *button) const {
    QTest::mouseClick(Part<QPushButton>(button), Qt::LeftButton);
  }
  // Focuses the field, selects what it holds and types over it, as a user does.
  void TypeInto(const char *field, const QString &text) const {
    QWidget *widget = Part(field);
    widget->setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), text);
  }
  QColor RawColour() const { return Part<QLineEdit>("RawEdit")->palette().color(QPalette::Base); }

  qev::test::ScriptedPresenter presenter;
  QPointer<TFormDiseqcConsole> console;
};

TEST_F(DiseqcConsoleTest, RefusesToOpenBelowLevel11OrWithoutADevice) {
  device.level = 10;
  EXPECT_EQ(TFormDiseqcConsole::ShowConsole(nullptr, context), nullptr);
  context.Diseqc = nullptr;
  EXPECT_EQ(TFormDiseqcConsole::ShowConsole(nullptr, context), nullptr);
  EXPECT_THAT(presenter.Texts(),
              ElementsAre(device::kConsoleNotSupported, device::kConsoleNotSupported));
  device.level = 11;
  context.Diseqc = &sender;
  Open();
}

TEST_F(DiseqcConsoleTest, OnlyOneConsoleExistsAndClosingFreesIt) {
  Open();
  EXPECT_EQ(TFormDiseqcConsole::ShowConsole(nullptr, context), console.data());
  EXPECT_TRUE(console->testAttribute(Qt::WA_DeleteOnClose));
  TFormDiseqcConsole *first = console;
  console->close();
  RunDeferredDeletes();
  EXPECT_TRUE(console.isNull());
  Open();
  EXPECT_TRUE(console->isVisible());
  (void)first;
}

TEST_F(DiseqcConsoleTest, MotionButtonsSendTheirMessages) {
  Open();
  TypeInto("StepsEdit", "3");
  Click("StepEastButton");
  TypeInto("StepsEdit", "200");
  Click("StepWestButton");
  QTest::mousePress(Part("DriveWestButton"), Qt::LeftButton);
  EXPECT_THAT(Sent(), ElementsAre("E0 31 68 FD", "E0 31 69 FF", "E0 31 69 0A"));
  QTest::mouseRelease(Part("DriveWestButton"), Qt::LeftButton);
  Click("StopButton");
  Click("EastLimitButton");
  Click("WestLimitButton");
  Click("DisableLimitsButton");
  Click("EnableLimitsButton");
  EXPECT_THAT(Sent(), ElementsAre("E0 31 68 FD", "E0 31 69 FF", "E0 31 69 0A", "E0 31 60",
                                  "E0 31 60", "E0 31 66", "E0 31 67", "E0 31 63", "E0 31 6A 00"));
  // The console's messages are in the DiSEqC log like the tuner's.
  EXPECT_THAT(diseqcLog.Lines(), ::testing::Contains("E0 31 66 "));
}

TEST_F(DiseqcConsoleTest, StoredPositionStartsAtTheLoadedSatellitesAndIsConfirmed) {
  data::TSatRec sat{};
  sat.SatIdx = 1;
  sat.PosStored = 12;
  loaded.Load(sat);
  Open();
  EXPECT_EQ(Part<QSpinBox>("StoredEdit")->value(), 12);
  Click("GotoStoredButton");
  EXPECT_THAT(Sent(), IsEmpty());
  presenter.AnswerNext(true);
  Click("GotoStoredButton");
  TypeInto("StoredEdit", "40");
  presenter.AnswerNext(true);
  Click("StoreButton");
  EXPECT_THAT(presenter.Texts(), ElementsAre("Move dish to [ 12 ] ?", "Move dish to [ 12 ] ?",
                                             "Save SAT position [ 40 ] ?"));
  EXPECT_THAT(Sent(), ElementsAre("E0 31 6B 0C", "E0 31 6A 28"));
}

TEST_F(DiseqcConsoleTest, RawFieldIsColouredWhileTypingAndSendsOnlyWhenComplete) {
  Open();
  const QColor normal = RawColour();
  auto *send = Part<QPushButton>("SendRawButton");
  EXPECT_FALSE(send->isEnabled());
  TypeInto("RawEdit", "E0 3");
  EXPECT_EQ(RawColour(), QColor(Qt::yellow));
  EXPECT_FALSE(send->isEnabled());
  QTest::keyClicks(QApplication::focusWidget(), "1 6x");
  EXPECT_EQ(RawColour(), QColor(Qt::red));
  EXPECT_FALSE(send->isEnabled());
  qev::test::SaveScreenshot(*console, "form_diseqc_console_invalid_raw");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  QTest::keyClicks(QApplication::focusWidget(), "0");
  EXPECT_EQ(RawColour(), normal);
  ASSERT_TRUE(send->isEnabled());
  Click("SendRawButton");
  EXPECT_THAT(Sent(), ElementsAre("E0 31 60"));
}

TEST_F(DiseqcConsoleTest, AngleFieldShowsTheMotorAngleAndSendsTheChosenEncoding) {
  options.DiseqC.AdjustGotoX = false;
  options.DiseqC.RxLongitude = 10;
  options.DiseqC.RxLatitude = 50;
  Open();
  TypeInto("AngleEdit", "10.5");
  auto *motor = Part<QLabel>("MotorAngleLabel");
  EXPECT_EQ(motor->text().toStdString(), fmt::format("{:.1f}", device::MotorAngle(10.5, 10, 50)));
  EXPECT_EQ(motor->palette().color(QPalette::WindowText), QColor(Qt::darkGreen));
  Click("GotoAngleButton");
  Part<QComboBox>("AngleSideBox")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // W
  EXPECT_TRUE(motor->text().startsWith('-'));
  EXPECT_EQ(motor->palette().color(QPalette::WindowText), QColor(Qt::darkRed));
  Part<QComboBox>("UsalsVariantBox")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // USALS STAB HH
  Click("GotoAngleButton");
  EXPECT_THAT(Sent(), ElementsAre("E0 31 6E FF 58", "E0 31 6E D0 A8"));
  qev::test::SaveScreenshot(*console, "form_diseqc_console");
}

class DiseqcLogWindowTest : public ::testing::Test {
protected:
  QStringList Shown() const {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
      lines << list->item(i)->text();
    return lines;
  }

  device::TDiseqcLog log;
  QWidget owner;
  QPointer<TFormDiseqcLog> form = new TFormDiseqcLog(&owner, log);
  QListWidget *list = form->findChild<QListWidget *>("DiseqcLogList");
};

TEST_F(DiseqcLogWindowTest, HiddenWindowFollowsTheLogAndKeepsTheLast100Lines) {
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(form->isVisible());
  for (int i = 0; i < 150; ++i)
    log.Add(fmt::format("line {}", i));
  ASSERT_TRUE(QTest::qWaitFor([this] { return list->count() == 100; }));
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Shown().front(), "line 50");
  EXPECT_EQ(Shown().back(), "line 149");
}

TEST_F(DiseqcLogWindowTest, DoubleClickClearsAndClosingOnlyHides) {
  log.Add("E0 10 38 F0 ");
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.data()));
  ASSERT_TRUE(QTest::qWaitFor([this] { return list->count() == 1; }));
  qev::test::SaveScreenshot(*form, "form_diseqc_log");
  const QPoint at = list->viewport()->rect().center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(list->count(), 0);
  EXPECT_THAT(log.Lines(), IsEmpty());
  form->close();
  RunDeferredDeletes();
  ASSERT_FALSE(form.isNull());
  EXPECT_FALSE(form->isVisible());
  log.Add("later");
  EXPECT_TRUE(QTest::qWaitFor([this] { return list->count() == 1; }));
}

} // namespace
} // namespace qev::ui::test
