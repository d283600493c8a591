// The satellite editor and the picker of AllSats.txt.
#include "data/qt/form_edit_sat.h"
#include "data/qt/form_sat_picker.h"

#include "modal_driver.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace qev::data::test {
namespace {

using ::testing::ElementsAre;

class FormEditSatTest : public ::testing::Test {
protected:
  template <typename T> T *Child(QWidget &form, const char *name) {
    T *child = form.findChild<T *>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QStringList Items(QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
      items << box->itemText(i);
    return items;
  }
  TSatRec Astra() {
    TSatRec rec{};
    rec.SatIdx = 4;
    rec.SatPos = 192;
    SetSatName(rec, "Astra 1KR");
    rec.LofLow = 9750000;
    rec.LofHigh = 10600000;
    rec.LofSwitch = 11700000;
    rec.Sw1 = {2, 2, 0, {}, 1, 15};
    rec.PosGap = 25;
    return rec;
  }

  qev::test::ScriptedPresenter presenter;
  qev::test::TTempDir dir{"qev-edit-sat-"};
};

TEST_F(FormEditSatTest, AddModeStartsWithKuLinearAndTakesThePickersChoice) {
  std::ofstream(dir / "AllSats.txt") << "130,x,Hot Bird 13E\n192,x,Astra 1KR\n3600,x,Zero West\n";
  TSatRec rec{};
  rec.SatIdx = 7;
  TSatEditLinks links;
  links.AllSats = dir / "AllSats.txt";
  WhenModal([](QWidget &picker) {
    auto *list = picker.findChild<QListWidget *>("SatPickerList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text().trimmed(), "0.0W  Zero West");
    list->setCurrentRow(1);
    qev::test::SaveScreenshot(picker, "sat_picker");
    static_cast<QDialog &>(picker).accept();
    WhenModal([](QWidget &editor) {
      EXPECT_EQ(editor.findChild<QLineEdit *>("NameEdit")->text(), "Astra 1KR");
      EXPECT_EQ(editor.findChild<QLineEdit *>("PositionEdit")->text(), "0192");
      EXPECT_EQ(editor.findChild<QComboBox *>("LofSwitchBox")->currentText(), "11700000");
      editor.findChild<QComboBox *>("Sw1TypeBox")->setCurrentIndex(2);
      editor.findChild<QComboBox *>("Sw1PortBox")->setCurrentIndex(1);
      static_cast<QDialog &>(editor).accept();
    });
  });
  ASSERT_TRUE(EditSatellite(nullptr, rec, true, links));
  EXPECT_EQ(rec.SatIdx, 7);
  EXPECT_EQ(SatName(rec), "Astra 1KR");
  EXPECT_EQ(rec.SatPos, 192);
  EXPECT_EQ(rec.LofLow, 9750000);
  EXPECT_EQ(rec.LofHigh, 10600000);
  EXPECT_EQ(rec.Sw1.SwType, 2);
  EXPECT_EQ(rec.Sw1.SwPort, 2);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(FormEditSatTest, AMissingPickerListSaysSo) {
  EXPECT_FALSE(PickSatellite(nullptr, dir / "AllSats.txt"));
  EXPECT_THAT(presenter.Texts(), ElementsAre("File missing:\r\r" + (dir / "AllSats.txt").string()));
}

TEST_F(FormEditSatTest, ModifyModeShowsTheRecordAndLocksThePosition) {
  TFormEditSat form(nullptr, Astra(), false, {});
  form.show();
  EXPECT_FALSE(Child<QLineEdit>(form, "PositionEdit")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(form, "PickSatButton")->isEnabled());
  EXPECT_EQ(Child<QLabel>(form, "PositionText")->text(), "19.2E");
  EXPECT_EQ(Items(Child<QComboBox>(form, "Sw1PortBox")),
            QStringList({"LNB1", "LNB2", "LNB3", "LNB4"}));
  EXPECT_EQ(Child<QComboBox>(form, "Sw1PortBox")->currentText(), "LNB2");
  EXPECT_EQ(Child<QLabel>(form, "Sw1Preview")->text(), "E0 10 38 F4");
  EXPECT_EQ(Child<QLabel>(form, "Sw2Preview")->text(), "Disabled");
  EXPECT_EQ(Child<QSpinBox>(form, "PosGapEdit")->value(), 25);
  qev::test::SaveScreenshot(form, "edit_sat");
}

TEST_F(FormEditSatTest, SwitchTypesRebuildPortsAndPreviewTheirCommands) {
  TFormEditSat form(nullptr, Astra(), false, {});
  auto *type = Child<QComboBox>(form, "Sw1TypeBox");
  auto *port = Child<QComboBox>(form, "Sw1PortBox");
  type->setCurrentIndex(1);
  // Port 2 still exists among the tone bursts.
  EXPECT_EQ(port->currentText(), "LNB2");
  EXPECT_EQ(Child<QLabel>(form, "Sw1Preview")->text(), "ToneBurst B");
  type->setCurrentIndex(3);
  port->setCurrentIndex(15);
  EXPECT_EQ(port->currentText(), "CMD F");
  type->setCurrentIndex(2);
  // Beyond the end of the committed ports: the nearest end.
  EXPECT_EQ(port->currentText(), "LNB4");
  // Typing a raw command selects Raw Data.
  auto *raw = Child<QLineEdit>(form, "Sw3RawEdit");
  raw->setFocus();
  raw->setText("");
  QTest::keyClicks(raw, "E0 10 38 F");
  EXPECT_EQ(Child<QComboBox>(form, "Sw3TypeBox")->currentIndex(), 4);
  EXPECT_FALSE(raw->styleSheet().isEmpty());
  QTest::keyClicks(raw, "1");
  EXPECT_TRUE(raw->styleSheet().isEmpty());
  EXPECT_EQ(Child<QLabel>(form, "Sw3Preview")->text(), "E0 10 38 F1");
  // The positioner's goto-stored command for DiSEqC 1.2.
  Child<QComboBox>(form, "PosTypeBox")->setCurrentIndex(3);
  Child<QSpinBox>(form, "PosStoredEdit")->setValue(5);
  EXPECT_EQ(Child<QLabel>(form, "PosPreview")->text(), "E0 31 6B 05");
  Child<QComboBox>(form, "PosTypeBox")->setCurrentIndex(0);
  EXPECT_EQ(Child<QLabel>(form, "PosPreview")->text(), "Disabled");
}

TEST_F(FormEditSatTest, SavingStaysOpenOnTheFirstFailure) {
  TSatRec rec = Astra();
  TSatEditLinks links;
  links.PositionTaken = [](int position, int index) { return position == 130 && index != 9; };
  TFormEditSat form(nullptr, rec, true, links);
  form.show();
  auto *position = Child<QLineEdit>(form, "PositionEdit");
  position->setText("3600");
  EXPECT_EQ(Child<QLabel>(form, "PositionText")->text(), "0.0W");
  Child<QLineEdit>(form, "Sw3RawEdit")->setText("E0 1");
  form.accept();
  position->setText("0");
  Child<QLineEdit>(form, "Sw3RawEdit")->clear();
  form.accept();
  position->setText("130");
  form.accept();
  position->setText("0130");
  position->setText("3600");
  for (const char *box : {"LofLowBox", "LofHighBox", "LofSwitchBox"})
    Child<QComboBox>(form, box)->setCurrentText("0");
  form.accept();
  EXPECT_TRUE(form.isVisible());
  EXPECT_THAT(presenter.Texts(), ElementsAre("Sw3: Invalid raw data", "Invalid SAT position",
                                             kErrDuplicateSatPos, "Please select LNB type..."));
  Child<QComboBox>(form, "LofLowBox")->setCurrentText("5150000");
  Child<QSpinBox>(form, "Sw1GapEdit")->setValue(999);
  form.accept();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.Result().SatPos, 3600);
  EXPECT_EQ(form.Result().LofLow, 5150000);
  EXPECT_EQ(form.Result().Sw1.SwGap, 255);
  EXPECT_EQ(form.Result().PosGap, 25);
}

TEST_F(FormEditSatTest, LnbPresetsAndTheNameLimit) {
  TFormEditSat form(nullptr, Astra(), false, {});
  auto *presets = Child<QToolButton>(form, "LnbPresetButton");
  QAction *circular = presets->menu()->findChild<QAction *>("KU-Circular");
  ASSERT_NE(circular, nullptr);
  circular->trigger();
  EXPECT_EQ(Child<QComboBox>(form, "LofLowBox")->currentText(), "10750000");
  EXPECT_EQ(Child<QComboBox>(form, "LofSwitchBox")->currentText(), "0");
  presets->menu()->findChild<QAction *>("C-Band")->trigger();
  EXPECT_EQ(Child<QComboBox>(form, "LofHighBox")->currentText(), "5150000");
  // 28 letters and three two-byte letters: 34 bytes, cut after the first whole one.
  auto *name = Child<QLineEdit>(form, "NameEdit");
  name->setText(QString(28, 'a') + QString::fromUtf8("\xC3\xA9\xC3\xA9\xC3\xA9"));
  EXPECT_EQ(name->text(), QString(28, 'a') + QString::fromUtf8("\xC3\xA9"));
}

} // namespace
} // namespace qev::data::test
