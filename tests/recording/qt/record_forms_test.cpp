#include "recording/qt/record_forms.h"

#include "recording/record_pid_list.h"
#include "support/screenshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstring>

namespace qev::recording {
namespace {

data::TChannelRec Channel() {
  data::TChannelRec rec{};
  std::strcpy(rec.ChName, "Demo One");
  rec.VidPid = 0x100;
  rec.AudPid = 0x101;
  rec.PcrPid = 0x100;
  rec.PmtPid = 0x20;
  auto es = [&](std::uint8_t type, std::uint16_t pid, std::uint8_t kind) {
    rec.EsList[rec.EsCount++] = {type, pid, kind, {3, 'E', 'N', 'G'}, 0};
  };
  es(2, 0x100, data::kKindVideo);
  es(3, 0x101, data::kKindAudio);
  es(6, 0x104, data::kKindTeletext);
  rec.EsList[2].TtxPage = 888;
  return rec;
}

template <typename T> T &Child(QWidget &parent, const char *name) {
  T *child = parent.findChild<T *>(name);
  EXPECT_NE(child, nullptr) << name;
  return *child;
}

QPushButton &Ok(QWidget &form) { return Child<QPushButton>(form, "BtnOK"); }

// Replaces a field's text as a user does: focus, select all, type.
void Type(QWidget &field, const QString &text) {
  field.setFocus();
  QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(QApplication::focusWidget(), text);
}

void Show(QWidget &form) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
}

TEST(FormRecordAsk, ShowsTheStreamsTickedFromTheAutomaticList) {
  TRecordAskData data;
  data.Channel = Channel();
  data.AvSlot = 0;
  data.AutoList = {{0x100, 0x13}, {0x101, 0x13}, {0x20, 188}};
  TFormRecordAsk form(nullptr, data, true);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "REC: Demo One [ CSA=0 ]");
  auto &tree = Child<QTreeWidget>(form, "TreeES");
  ASSERT_EQ(tree.topLevelItemCount(), 3);
  EXPECT_EQ(tree.headerItem()->text(0), "Type");
  EXPECT_EQ(tree.headerItem()->text(4), "Language");
  EXPECT_EQ(tree.topLevelItem(1)->text(2), "ENG");
  EXPECT_EQ(tree.topLevelItem(0)->text(1), "0100");
  EXPECT_EQ(tree.topLevelItem(2)->text(3), "888");
  EXPECT_EQ(tree.topLevelItem(0)->checkState(0), Qt::Checked);
  EXPECT_EQ(tree.topLevelItem(2)->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(Child<QCheckBox>(form, "CkRecPMT").isChecked());
  EXPECT_FALSE(Child<QCheckBox>(form, "CkRecPAT").isChecked());
  test::SaveScreenshot(form, "record_ask");

  data.AvSlot = 255;
  TFormRecordAsk noSlot(nullptr, data, false);
  EXPECT_EQ(noSlot.windowTitle(), "REC: Demo One [ CSA=None ]");
  EXPECT_EQ(Child<QTreeWidget>(noSlot, "TreeES").topLevelItem(0)->text(1), "256");
}

TEST(FormRecordAsk, OkOnlyWithSomethingToRecord) {
  TRecordAskData data;
  data.Channel = Channel();
  data.AvSlot = 1;
  data.AutoList = {{0x100, 0x23}};
  data.RecordEcm = data.RecordPmt = false;
  TFormRecordAsk form(nullptr, data, true);
  Show(form);
  auto &tree = Child<QTreeWidget>(form, "TreeES");
  tree.topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(Ok(form).isEnabled());
  form.accept(); // a default button press must not get round it either
  EXPECT_EQ(form.result(), QDialog::Rejected);

  Child<QCheckBox>(form, "CkRecPAT").click();
  EXPECT_TRUE(Ok(form).isEnabled());
  tree.topLevelItem(2)->setCheckState(0, Qt::Checked);
  Type(Child<QSpinBox>(form, "EditStopASize"), "2048");
  Type(Child<QSpinBox>(form, "EditStopATime"), "90");
  QTest::mouseClick(&Ok(form), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  // Teletext is A/V (the slot's mode); the PAT comes last, as ticked.
  EXPECT_EQ(data.Chosen, (std::vector<TRecordPid>{{0x104, 0x23}, {0, 188}}));
  EXPECT_TRUE(data.RecordPat);
  EXPECT_EQ(data.Limits.StopAfterBytes, 2048 * 1024);
  EXPECT_EQ(data.Limits.StopAfterSeconds, 90u);
}

TEST(FormRecordPva, TakesTheLimits) {
  TRecordLimits limits{4096, 30};
  TFormRecordPva form(nullptr, "Radio", limits);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "REC: Radio");
  EXPECT_EQ(Child<QSpinBox>(form, "EditStopASize").value(), 4);
  Type(Child<QSpinBox>(form, "EditStopATime"), "600");
  QTest::mouseClick(&Ok(form), Qt::LeftButton);
  EXPECT_EQ(limits.StopAfterBytes, 4096);
  EXPECT_EQ(limits.StopAfterSeconds, 600u);
}

TEST(FormRecord1Pid, FullTsFixesPidAndPacketSize) {
  TRecordOnePidData data;
  data.Caption = "FTS Recorder";
  data.FullTs = true;
  data.Pid = 0x2000;
  TFormRecord1Pid form(nullptr, data);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "FTS Recorder");
  auto &pid = Child<QSpinBox>(form, "EditPID");
  EXPECT_EQ(pid.text(), "FULL TS");
  EXPECT_FALSE(pid.isEnabled());
  EXPECT_FALSE(Child<QComboBox>(form, "ComboPkSize").isEnabled());
  test::SaveScreenshot(form, "record_full_ts");
  Type(Child<QLineEdit>(form, "EditInfoEv"), "  night  ");
  QTest::mouseClick(&Ok(form), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(data.Pid, 0x2000);
  EXPECT_EQ(data.Mode, 188);
  EXPECT_EQ(data.Info, "night");
}

TEST(FormRecord1Pid, PacketSizesFollowTheDevice) {
  TRecordOnePidData data;
  data.Caption = "PID Recorder";
  data.Pid = 0x1A;
  TFormRecord1Pid form(nullptr, data);
  auto &sizes = Child<QComboBox>(form, "ComboPkSize");
  ASSERT_EQ(sizes.count(), 2);
  EXPECT_EQ(sizes.currentText(), "188");
  data.Packets188 = false;
  TFormRecord1Pid payloads(nullptr, data);
  auto &only = Child<QComboBox>(payloads, "ComboPkSize");
  ASSERT_EQ(only.count(), 1);
  EXPECT_EQ(only.itemText(0), "184");
  auto &units = Child<QComboBox>(form, "ComboSizeUM");
  EXPECT_EQ(units.itemText(3), "Packets");
}

TEST(FormRecord1Pid, RecordsTheTypedPidWithItsLimit) {
  TRecordOnePidData data;
  data.Caption = "PID Recorder";
  data.Info = "TTX";
  TFormRecord1Pid form(nullptr, data);
  Show(form);
  EXPECT_EQ(Child<QLineEdit>(form, "EditInfoEv").text(), "TTX");
  Type(Child<QSpinBox>(form, "EditPID"), "1ff");
  Child<QComboBox>(form, "ComboPkSize").setCurrentIndex(1); // 184
  Child<QComboBox>(form, "ComboSizeUM").setCurrentIndex(3); // packets
  Type(Child<QSpinBox>(form, "EditStopASize"), "1000");
  QTest::mouseClick(&Ok(form), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(data.Pid, 0x1FF);
  EXPECT_EQ(data.Mode, 1);
  EXPECT_EQ(data.Limits.StopAfterBytes, 1000 * 184);
}

TEST(FormRecord1Pid, RefusesTheNullPacketPid) {
  TRecordOnePidData data;
  data.Caption = "PID Recorder";
  TFormRecord1Pid form(nullptr, data);
  Show(form);
  Type(Child<QSpinBox>(form, "EditPID"), "1fff");
  EXPECT_EQ(Child<QSpinBox>(form, "EditPID").value(), 0x1FFF);
  EXPECT_FALSE(Ok(form).isEnabled());
  EXPECT_TRUE(Child<QLabel>(form, "PidRefusal").isVisible());
  test::SaveScreenshot(form, "record_pid_refused");
  form.accept();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  Type(Child<QSpinBox>(form, "EditPID"), "1ffe");
  EXPECT_TRUE(Ok(form).isEnabled());
  EXPECT_FALSE(Child<QLabel>(form, "PidRefusal").isVisible());
}

} // namespace
} // namespace qev::recording
