// The synchronisation dialog offscreen: its rows and their look, the double clicks, the menu,
// the buttons with their questions, and what OK and Cancel leave in the current list.
#include "web/qt/form_transp_compare.h"

#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace qev::web {
namespace {

using data::MakeTransponder;
using data::TSatTransponders;

TSatTransponders List(const std::string &position, const std::string &name,
                      std::initializer_list<const char *> entries) {
  TSatTransponders list;
  list.PositionText = position;
  list.Name = name;
  for (const char *text : entries)
    list.TpAdd(*data::ParseTpText(text));
  return list;
}

std::vector<std::string> Texts(const TSatTransponders &list) {
  std::vector<std::string> texts;
  for (const data::TTransponder &tp : list.Items())
    texts.push_back(data::TpText(tp));
  return texts;
}

class TransponderCompareTest : public ::testing::Test {
protected:
  TSatTransponders newer =
      List("0192", "Astra 1KR ", {"11778,V,27500", "12000,H,22000", "12500,V,27500"});
  TSatTransponders current =
      List("0192", "Astra", {"12000,H,27500", "10800,H,27500", "12500,V,27500"});
  test::ScriptedPresenter presenter;

  template <typename Widget> static Widget *Find(QWidget &form, const char *name) {
    auto *widget = form.findChild<Widget *>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static QStringList Lines(TFormTranspCompare &form) {
    auto *rows = Find<QTreeWidget>(form, "SyncRows");
    QStringList lines;
    for (int i = 0; i < rows->topLevelItemCount(); ++i)
      lines << rows->topLevelItem(i)->text(0) + "|" + rows->topLevelItem(i)->text(2);
    return lines;
  }
  static void DoubleClick(TFormTranspCompare &form, int line, int column) {
    auto *rows = Find<QTreeWidget>(form, "SyncRows");
    emit rows->itemDoubleClicked(rows->topLevelItem(line), column);
  }
};

TEST_F(TransponderCompareTest, ShowsBothListsPairedAndColouredByState) {
  TFormTranspCompare form(nullptr, newer, current);
  form.show();
  EXPECT_EQ(Find<QLabel>(form, "NewHeader")->text(), "0192-Astra 1KR");
  EXPECT_EQ(Find<QLabel>(form, "CurrentHeader")->text(), "0192-Astra");
  EXPECT_EQ(Lines(form), (QStringList{"|10800,H,27500", "12000,H,22000|12000,H,27500",
                                      "11778,V,27500|", "12500,V,27500|12500,V,27500"}));
  auto *rows = Find<QTreeWidget>(form, "SyncRows");
  EXPECT_EQ(rows->headerItem()->text(0), kColumnSource);
  EXPECT_EQ(rows->headerItem()->text(2), kColumnCurrent);
  EXPECT_EQ(rows->topLevelItem(0)->foreground(0).color(), QColor(Qt::gray));
  EXPECT_EQ(rows->topLevelItem(1)->foreground(0).color(), QColor(Qt::red));
  EXPECT_EQ(rows->topLevelItem(2)->foreground(0).color(), QColor(Qt::blue));
  EXPECT_EQ(rows->topLevelItem(3)->foreground(0).color(), QColor(Qt::black));
  EXPECT_FALSE(Find<QPushButton>(form, "UpdateButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(form, "RevertButton")->isEnabled());

  Find<QComboBox>(form, "FilterCombo")->setCurrentIndex(kShowChanged);
  EXPECT_EQ(Lines(form), (QStringList{"12000,H,22000|12000,H,27500"}));
  Find<QComboBox>(form, "FilterCombo")->setCurrentIndex(kShowAll);
  Find<QComboBox>(form, "SortCombo")->setCurrentIndex(data::kTpOrderFreq);
  EXPECT_EQ(Lines(form).front(), "|10800,H,27500");
  EXPECT_EQ(Lines(form)[1], "11778,V,27500|");
  Find<QSpinBox>(form, "OffsetEdit")->setValue(-5);
  EXPECT_EQ(Lines(form)[1], "11773,V,27500|");
}

TEST_F(TransponderCompareTest, DoubleClicksCopyDeleteAndCancel) {
  TFormTranspCompare form(nullptr, newer, current);
  form.show();
  auto *rows = Find<QTreeWidget>(form, "SyncRows");
  DoubleClick(form, 2, kSourceColumn); // only new: copied
  EXPECT_EQ(Lines(form)[2], "11778,V,27500|11778,V,27500");
  EXPECT_TRUE(rows->topLevelItem(2)->font(0).italic());
  EXPECT_EQ(rows->topLevelItem(2)->background(0), form.palette().toolTipBase());
  DoubleClick(form, 3, kCurrentColumn); // equal: deleted
  EXPECT_TRUE(rows->topLevelItem(3)->font(kCurrentColumn).strikeOut());
  EXPECT_FALSE(rows->topLevelItem(3)->font(kSourceColumn).strikeOut());
  EXPECT_TRUE(Find<QPushButton>(form, "UpdateButton")->isEnabled());
  rows->topLevelItem(0)->setSelected(true);
  EXPECT_TRUE(rows->topLevelItem(0)->font(0).bold());
  test::SaveScreenshot(form, "transponder_compare");
  DoubleClick(form, 2, kCurrentColumn); // pending: cancelled wherever clicked
  EXPECT_EQ(Lines(form)[2], "11778,V,27500|");
  DoubleClick(form, 0, kSourceColumn); // only current: nothing to copy
  EXPECT_EQ(form.Model().Rows()[static_cast<std::size_t>(form.ModelRow(0))].Action, kActionNone);
}

TEST_F(TransponderCompareTest, ContextMenuFollowsSelectionAndColumn) {
  TFormTranspCompare form(nullptr, newer, current);
  form.show();
  auto *rows = Find<QTreeWidget>(form, "SyncRows");
  EXPECT_EQ(form.ContextMenu(), nullptr) << "nothing selected";
  rows->setCurrentItem(rows->topLevelItem(1), kGapColumn);
  EXPECT_EQ(form.ContextMenu(), nullptr) << "narrow column";
  rows->setCurrentItem(rows->topLevelItem(1), kSourceColumn);
  QMenu *menu = form.ContextMenu();
  ASSERT_NE(menu, nullptr);
  auto *copy = menu->findChild<QAction *>("CopyItem");
  auto *del = menu->findChild<QAction *>("DeleteItem");
  ASSERT_TRUE(copy && del);
  EXPECT_TRUE(copy->isEnabled());
  EXPECT_FALSE(del->isEnabled());
  copy->trigger();
  EXPECT_EQ(Lines(form)[1], "12000,H,22000|12000,H,22000");
  rows->setCurrentItem(rows->topLevelItem(0), kCurrentColumn);
  form.ContextMenu();
  EXPECT_TRUE(del->isEnabled());
  del->trigger();
  EXPECT_EQ(form.Model().Rows()[static_cast<std::size_t>(form.ModelRow(0))].Action, kActionDelete);
}

TEST_F(TransponderCompareTest, UpdateUndoAndRevertAskFirst) {
  TFormTranspCompare form(nullptr, newer, current);
  Find<QPushButton>(form, "CopyAllButton")->click();
  presenter.AnswerNext(false);
  Find<QPushButton>(form, "UpdateButton")->click();
  EXPECT_EQ(presenter.Texts().back(), kAskSaveChanges);
  EXPECT_TRUE(Find<QPushButton>(form, "UpdateButton")->isEnabled()) << "answered no";
  presenter.AnswerNext(true);
  Find<QPushButton>(form, "UpdateButton")->click();
  EXPECT_FALSE(Find<QPushButton>(form, "UpdateButton")->isEnabled());
  EXPECT_EQ(Lines(form)[1], "12000,H,22000|12000,H,22000");
  presenter.AnswerNext(true);
  Find<QPushButton>(form, "RevertButton")->click();
  EXPECT_EQ(presenter.Texts().back(), kAskRevert);
  EXPECT_EQ(Lines(form)[1], "12000,H,22000|12000,H,27500");
  DoubleClick(form, 2, kSourceColumn);
  presenter.AnswerNext(true);
  Find<QPushButton>(form, "UndoButton")->click();
  EXPECT_EQ(presenter.Texts().back(), kAskDiscardChanges);
  EXPECT_EQ(Lines(form)[2], "11778,V,27500|");
}

// Drives the modal dialog of SyncTransponders once it is open.
void WhenDialogOpens(std::function<void(TFormTranspCompare &)> step) {
  auto *timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, step] {
    auto *form = qobject_cast<TFormTranspCompare *>(QApplication::activeModalWidget());
    if (!form)
      return;
    timer->stop();
    timer->deleteLater();
    step(*form);
  });
  timer->start(5);
}

TEST_F(TransponderCompareTest, OkAppliesPendingChoicesAndCancelKeepsTheList) {
  WhenDialogOpens([](TFormTranspCompare &form) {
    DoubleClick(form, 0, kCurrentColumn);
    Find<QPushButton>(form, "CancelButton")->click();
  });
  EXPECT_FALSE(SyncTransponders(nullptr, newer, current));
  EXPECT_EQ(Texts(current),
            (std::vector<std::string>{"12000,H,27500", "10800,H,27500", "12500,V,27500"}));

  WhenDialogOpens([](TFormTranspCompare &form) {
    DoubleClick(form, 0, kCurrentColumn); // delete 10800,H
    DoubleClick(form, 2, kSourceColumn);  // copy 11778,V
    Find<QPushButton>(form, "OkButton")->click();
  });
  EXPECT_TRUE(SyncTransponders(nullptr, newer, current));
  EXPECT_EQ(Texts(current),
            (std::vector<std::string>{"12000,H,27500", "11778,V,27500", "12500,V,27500"}));
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(TransponderCompareTest, AnotherPositionIsQuestionedFirst) {
  const TSatTransponders other = List("0130", "Hotbird", {"11000,H,27500"});
  presenter.AnswerNext(false);
  EXPECT_FALSE(SyncTransponders(nullptr, other, current));
  ASSERT_EQ(presenter.shown.size(), 1U);
  EXPECT_EQ(presenter.shown[0].text,
            "File contain wrong SatID [0130] <> [0192]\r\rContinue with synchronization ?");
  EXPECT_EQ(current.Count(), 3);
}

} // namespace
} // namespace qev::web
