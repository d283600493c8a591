#include "ui/qt/frame_sat_list.h"

#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "ui/sat_list_rows.h"
#include "ui/sat_ui_fixture.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace qev::ui::test {
namespace {

using ::testing::ElementsAre;

class FrameSatListTest : public ::testing::Test, protected SatUiFixture {
protected:
  void SetUp() override {
    AddSat(1, 192, "Astra 1", true);
    AddSat(2, 130, "Hotbird", true);
    AddSat(3, 3592, "Thor", false, 1);
    data::TSatRec astra{};
    ASSERT_TRUE(root.sats.SatGet(1, astra));
    loaded.Load(astra);
  }

  void AddSat(int index, int position, const std::string &name, bool active, int dish = 0) {
    ASSERT_TRUE(root.sats.SatAdd(Sat(index, position, name, active, dish)));
  }

  // The frame, shown, with its parts.
  void Open() {
    frame = std::make_unique<TFrameSatList>(nullptr, context);
    frame->resize(420, 260);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    tree = frame->findChild<QTreeWidget *>("SatListView");
    ASSERT_NE(tree, nullptr);
  }
  QPushButton *ButtonNamed(const char *name) const { return frame->findChild<QPushButton *>(name); }
  QTreeWidgetItem *RowItem(int row) const { return tree->topLevelItem(row); }
  QRect CellRect(int row, int column) const {
    return tree->visualRect(tree->model()->index(row, column));
  }
  QPoint CheckBoxAt(int row) const {
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.rect = CellRect(row, 0);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    return tree->style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree)
        .center();
  }
  // As the window system delivers a double click: press, release, double click, release.
  void DoubleClickAt(QPoint point) const {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, point);
  }
  // Rows rebuilt after a change show once the frame's queued refresh has run.
  void Settle() { QApplication::processEvents(); }
  std::vector<std::string> RowTexts(int row) const {
    std::vector<std::string> texts;
    for (int column = 0; column < tree->columnCount(); ++column)
      texts.push_back(RowItem(row)->text(column).toStdString());
    return texts;
  }

  qev::test::ScriptedPresenter presenter;
  std::unique_ptr<TFrameSatList> frame;
  QTreeWidget *tree = nullptr;
};

TEST_F(FrameSatListTest, RowsShowTheSatellitesWithTheLoadedOneBold) {
  Open();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_THAT(RowTexts(0), ElementsAre("002", "Fix", "13.0E", "Hotbird"));
  EXPECT_THAT(RowTexts(1), ElementsAre("001", "Fix", "19.2E", "Astra 1"));
  EXPECT_THAT(RowTexts(2), ElementsAre("003", "M 1", "0.8W", "Thor"));
  EXPECT_EQ(RowItem(2)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(RowItem(1)->checkState(0), Qt::Checked);
  EXPECT_TRUE(RowItem(1)->font(3).bold());
  EXPECT_FALSE(RowItem(0)->font(3).bold());
  EXPECT_NE(RowItem(1)->icon(0).cacheKey(), RowItem(0)->icon(0).cacheKey());
  qev::test::SaveScreenshot(*frame, "frame_sat_list");
}

TEST_F(FrameSatListTest, CheckBoxClickActivatesAndDeactivates) {
  Open();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxAt(2));
  EXPECT_EQ(root.sats.At(2).SatActive, 1);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxAt(0));
  EXPECT_EQ(root.sats.At(0).SatActive, 0);
  Settle();
  EXPECT_EQ(RowItem(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(RowItem(2)->checkState(0), Qt::Checked);
}

TEST_F(FrameSatListTest, DeleteAsksForASelectionThenForTheSatellite) {
  Open();
  QTest::mouseClick(ButtonNamed("DeleteSatButton"), Qt::LeftButton);
  EXPECT_THAT(presenter.Texts(), ElementsAre(kSelectOneSat));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellRect(1, 3).center());
  presenter.AnswerNext(true);
  QTest::mouseClick(ButtonNamed("DeleteSatButton"), Qt::LeftButton);
  EXPECT_THAT(presenter.Texts(), ElementsAre(kSelectOneSat, "Delete : Astra 1 ?"));
  EXPECT_EQ(root.sats.Count(), 2);
  hub.Notify(frame::kNotifyListsChanged, 0, 0);
  Settle();
  EXPECT_EQ(tree->topLevelItemCount(), 2);
}

TEST_F(FrameSatListTest, ButtonsOfAbsentSubsystemsAreHidden) {
  Open();
  EXPECT_FALSE(ButtonNamed("AddSatButton")->isVisible());
  EXPECT_FALSE(ButtonNamed("ModifySatButton")->isVisible());
  EXPECT_FALSE(ButtonNamed("ScanSatButton")->isVisible());
  EXPECT_TRUE(ButtonNamed("DeleteSatButton")->isVisible());
  int scanned = 0;
  context.Subsystems.ScanSatellite = [&](int satIndex) { scanned = satIndex; };
  context.Subsystems.EditSatellite = [](data::TSatRec &, bool) { return false; };
  frame->Refresh();
  EXPECT_TRUE(ButtonNamed("AddSatButton")->isVisible());
  EXPECT_TRUE(ButtonNamed("ScanSatButton")->isVisible());
  QTest::mouseClick(ButtonNamed("ScanSatButton"), Qt::LeftButton);
  EXPECT_THAT(presenter.Texts(), ElementsAre(kSelectOneSat));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CellRect(2, 2).center());
  QTest::mouseClick(ButtonNamed("ScanSatButton"), Qt::LeftButton);
  EXPECT_EQ(scanned, 3);
}

TEST_F(FrameSatListTest, DoubleClickOnANameSwitchesSlot0ToTheSatellitesLastChannel) {
  const std::int32_t hotbird =
      root.AddChannel(2, device::test::Channel(11200000, 'V', 27500, 20, "Two"));
  last.Set(2, hotbird);
  Open();
  // Not on the check box column.
  DoubleClickAt(CellRect(0, 0).center() + QPoint(CellRect(0, 0).width() / 4, 0));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, 0);
  DoubleClickAt(CellRect(0, 3).center());
  EXPECT_EQ(engine.Slot(0).CurrentHandle, hotbird);
  EXPECT_EQ(engine.Slot(0).SelectedHandle, hotbird);
}

TEST_F(FrameSatListTest, ListsChangedOnAnotherThreadRefreshesOnTheFramesThread) {
  Open();
  AddSat(4, 282, "Eurobird", true);
  std::thread notifier([this] { hub.Notify(frame::kNotifyListsChanged, 0, 0); });
  notifier.join();
  EXPECT_TRUE(QTest::qWaitFor([this] { return tree->topLevelItemCount() == 4; }));
  // The loaded satellite changes with a switch; its end makes the other row bold.
  data::TSatRec hotbird{};
  ASSERT_TRUE(root.sats.SatGet(2, hotbird));
  loaded.Load(hotbird);
  hub.Notify(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  Settle();
  EXPECT_TRUE(RowItem(0)->font(3).bold());
  EXPECT_FALSE(RowItem(2)->font(3).bold());
  frame.reset();
  // Unsubscribed with the frame: nothing is called any more.
  hub.Notify(frame::kNotifyListsChanged, 0, 0);
  Settle();
}

} // namespace
} // namespace qev::ui::test
