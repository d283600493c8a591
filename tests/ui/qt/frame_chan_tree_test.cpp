#include "ui/qt/frame_chan_tree.h"

#include "../ui_world.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "ui/qt/chan_tree_filter.h"
#include "ui/qt/chan_tree_nav_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <thread>

namespace qev::ui {
namespace {

constexpr std::intptr_t kWholeRecord = 0xFFFF;

// Two satellites grouped by satellite, then by CA system: "Twin" has two CA systems and is
// listed twice below "Astra".
class ChanTreeWindow : public ::testing::Test {
protected:
  void SetUp() override {
    alpha = world.Add(1, 11778000, 'V', 101, "Alpha", "ARD");
    beta = world.Add(1, 11778000, 'V', 102, "Beta", "ARD");
    data::TChannelRec twin = device::test::Channel(11778000, 'V', 27500, 103, "Twin");
    AddCa(twin, 0x0100);
    AddCa(twin, 0x0600);
    twin.Encrypted = 1;
    this->twin = world.root.AddChannel(1, twin);
    gamma = world.Add(1, 12188000, 'H', 201, "Gamma", "ZDF");
    delta = world.Add(2, 11034000, 'V', 301, "Delta", "RAI");
    rules.Group1By = 1;
    rules.Group2By = 7;
    rules.SortRule1 = 1;
    frame::Options().General.AutoExpandChl = true;
  }
  void TearDown() override { tree.reset(); }

  static void AddCa(data::TChannelRec &rec, std::uint16_t caId) {
    data::TCaItem item{};
    item.CaId = caId;
    item.EcmPid = static_cast<std::uint16_t>(0x500 + rec.CaCount);
    data::CaAppend(rec, item);
  }

  void Open(int slot = 0, TChanTreeParts parts = {true, true, true}) {
    tree = std::make_unique<TFrameChanTree>(nullptr, world.context, parts, rules, slot);
    if (slot == 0)
      tree->RebuildTree(); // as the main window does once
    tree->resize(420, 640);
    tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    tree->activateWindow();
    tree->TreeView()->setFocus();
    QApplication::processEvents();
  }
  QTreeView &View() { return *tree->TreeView(); }
  std::string CurrentText() { return View().currentIndex().data().toString().toStdString(); }
  QModelIndex Find(const QString &text, int hit = 0) {
    const auto found = View().model()->match(View().model()->index(0, 0), Qt::DisplayRole, text, -1,
                                             Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() > hit ? found[hit] : QModelIndex();
  }
  bool FocusChannelOf(std::int32_t handle) { return tree->FocusChannel(handle); }
  QPoint Centre(const QModelIndex &index) { return View().visualRect(index).center(); }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  }
  // A right click as the platform delivers it: the press, then the context menu event.
  QMenu *RightClick(const QModelIndex &index) {
    const QPoint at = Centre(index);
    QTest::mouseClick(View().viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, View().viewport()->mapToGlobal(at));
    QApplication::sendEvent(View().viewport(), &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
  }
  static QString VisibleItems(const QMenu &menu) {
    QStringList visible;
    for (QAction *action : menu.actions())
      if (action->isVisible() && !action->text().isEmpty())
        visible << action->text() + (action->isEnabled() ? "" : "(off)");
    return visible.join(",");
  }
  QString StatusText(int i) {
    return tree->findChild<QStatusBar *>()->findChildren<QLabel *>()[i]->text();
  }

  test::UiWorld world;
  TGSFRules rules;
  std::unique_ptr<TFrameChanTree> tree;
  std::int32_t alpha = 0, beta = 0, twin = 0, gamma = 0, delta = 0;
};

TEST_F(ChanTreeWindow, KeysSelectTypeAheadJumpsAndEnterSwitches) {
  Open();
  EXPECT_EQ(tree->objectName(), "ChTreeFrame0");
  EXPECT_EQ(StatusText(1), "6"); // Twin twice
  EXPECT_EQ(StatusText(2), "5");
  View().setCurrentIndex(View().model()->index(0, 0));
  ASSERT_EQ(CurrentText(), "Astra");
  Key(Qt::Key_Down); // " ::: none :::"
  Key(Qt::Key_Down);
  EXPECT_EQ(CurrentText(), "Alpha");
  EXPECT_EQ(world.engine.Slot(0).SelectedHandle, alpha);
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, 0);
  QTest::keyClicks(QApplication::focusWidget(), "ga");
  EXPECT_EQ(CurrentText(), "Gamma");
  Key(Qt::Key_Return);
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, gamma);
  EXPECT_EQ(QApplication::focusWidget(), &View());
  qev::test::SaveScreenshot(*tree, "channel_tree");
}

TEST_F(ChanTreeWindow, DoubleClickSwitchesUnlessSingleClickDoes) {
  Open();
  const QModelIndex delta = Find("Delta");
  ASSERT_TRUE(delta.isValid());
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, Centre(delta));
  EXPECT_EQ(world.engine.Slot(0).SelectedHandle, this->delta);
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, 0);
  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, Centre(delta));
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, this->delta);

  frame::Options().General.SingleClickChange = true;
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, Centre(Find("Beta")));
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, this->delta);
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, Centre(Find("Beta")));
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, beta);
}

TEST_F(ChanTreeWindow, FollowsSelectionsSwitchesAndEditsOfOthers) {
  Open();
  const int built = tree->Model().RebuildCount();
  world.engine.SelectSlotChannel(0, gamma, 1);
  EXPECT_EQ(CurrentText(), "Gamma");
  ASSERT_TRUE(world.engine.SwitchChannel(0, beta, false)); // 256 focuses the requested channel
  EXPECT_EQ(CurrentText(), "Beta");

  frame::NotifyGlobal(frame::kNotifyListsChanged, 0, 0);
  EXPECT_EQ(tree->Model().RebuildCount(), built + 1);
  EXPECT_EQ(CurrentText(), "Beta"); // focusing the requested channel selected it

  data::TChannelRec rec = world.Rec(gamma);
  rec.SrvType = 12;
  world.engine.StoreEditedChannel(gamma, rec, 8); // a refilter hides the data service
  EXPECT_EQ(tree->Model().RebuildCount(), built + 1);
  EXPECT_FALSE(Find("Gamma").isValid());
  rec.SrvType = 1;
  data::SetChName(rec, "Gamma Neu");
  world.engine.StoreEditedChannel(gamma, rec, kWholeRecord);
  EXPECT_EQ(tree->Model().RebuildCount(), built + 2);
  EXPECT_TRUE(Find("Gamma Neu").isValid());
}

TEST_F(ChanTreeWindow, ItsOwnSelectionsAndSwitchesKeepTheRowOfAChannelListedTwice) {
  Open();
  const QModelIndex second = Find("Twin", 1);
  ASSERT_EQ(second.parent().data().toString(), "Seca");
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, Centre(second));
  EXPECT_EQ(world.engine.Slot(0).SelectedHandle, twin);
  EXPECT_EQ(View().currentIndex().parent().data().toString(), "Seca");
  Key(Qt::Key_Return);
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, twin);
  EXPECT_EQ(View().currentIndex().parent().data().toString(), "Seca");
  world.engine.SelectSlotChannel(0, twin, 1); // another window's choice: the first listing
  EXPECT_EQ(View().currentIndex().parent().data().toString(), "Irdeto");
}

TEST_F(ChanTreeWindow, ChildLockNotificationsRefilterAlsoFromOtherThreads) {
  data::TChannelRec rec = world.Rec(alpha);
  rec.ChildLock = 1;
  world.root.lists.ListOf(1)->ListSet(0, rec);
  bool locked = false;
  world.context.ChildLockActive = [&locked] { return locked; };
  Open();
  EXPECT_TRUE(Find("Alpha").isValid());
  locked = true;
  std::thread([] { frame::NotifyGlobal(frame::kNotifyChildLock, 0, 0); }).join();
  EXPECT_TRUE(Find("Alpha").isValid()); // queued to the window's thread
  QApplication::processEvents();
  EXPECT_FALSE(Find("Alpha").isValid());
  EXPECT_EQ(StatusText(1), "5");
}

TEST_F(ChanTreeWindow, FilterPanelResetShowsEveryService) {
  rules.ChfServType = 1 | 16; // free TV only
  Open();
  EXPECT_FALSE(Find("Twin").isValid());
  QTest::mouseClick(tree->findChild<QPushButton *>("ResetButton"), Qt::LeftButton);
  EXPECT_EQ(rules.ChfServType, 31);
  EXPECT_TRUE(Find("Twin").isValid());
  EXPECT_EQ(StatusText(1), "6");
}

TEST_F(ChanTreeWindow, DeletingAGroupCountsEachChannelOnce) {
  qev::test::ScriptedPresenter presenter;
  Open();
  const QModelIndex astra = Find("Astra");
  QMenu *menu = RightClick(astra);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(VisibleItems(*menu), "Group node: Astra,Delete all,Preferred audio language");
  QAction *deleteAll = nullptr;
  for (QAction *action : menu->actions())
    if (action->text() == "Delete all")
      deleteAll = action;
  ASSERT_NE(deleteAll, nullptr);
  EXPECT_FALSE(menu->findChildren<QAction *>().isEmpty());
  menu->close();
  deleteAll->trigger();
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{"Delete 4 channels ?"}));
  EXPECT_EQ(world.root.lists.ListOf(1)->Count(), 4);
  EXPECT_EQ(StatusText(2), "5");

  presenter.AnswerNext(true);
  deleteAll->trigger(); // the menu still acts on the group it opened for
  EXPECT_EQ(world.root.lists.ListOf(1)->Count(), 0);
  EXPECT_EQ(StatusText(2), "1"); // the lists' announcement rebuilt the tree
  EXPECT_FALSE(Find("Astra").isValid());
}

TEST_F(ChanTreeWindow, ASelectionOfRowsCountsDistinctChannels) {
  qev::test::ScriptedPresenter presenter;
  world.context.Subsystems.FavEdit = [](std::uint8_t(&)[4]) { return false; };
  Open();
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, Centre(Find("Twin", 0)));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Centre(Find("Twin", 1)));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, Centre(Find("Alpha")));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Centre(Find("Hotbird")));
  QMenu *menu = RightClick(Find("Alpha")); // a selected row keeps the selection
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(VisibleItems(*menu),
            "Selected channels: 2,Delete all,Set favourites...,Preferred audio language");
  menu->close();
  menu->actions()[1]->trigger();
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{"Delete 2 channels ?"}));
  EXPECT_EQ(View().selectionModel()->selectedRows().size(), 4); // declined: nothing changes
  presenter.AnswerNext(true);
  menu->actions()[1]->trigger();
  EXPECT_EQ(world.root.lists.ListOf(1)->Count(), 2); // Beta and Gamma
  EXPECT_FALSE(Find("Twin").isValid());
  EXPECT_TRUE(Find("Beta").isValid());
}

TEST_F(ChanTreeWindow, ChannelMenuHidesAbsentSubsystemsAndNamesTheLock) {
  world.context.Subsystems.RescanByHandle = [](std::int32_t) {};
  Open();
  QMenu *menu = RightClick(Find("Beta"));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(VisibleItems(*menu), "Favourite,Lock Channel,Delete,Rescan(off)");
  menu->close();
  Key(Qt::Key_F3);
  EXPECT_EQ(world.Rec(beta).FavCat[3], 1);
}

TEST_F(ChanTreeWindow, SecondTreeWaitsForSlotZeroAndListsItsTransponder) {
  rules = SecondRuleSet();
  Open(1, {true, false, false});
  EXPECT_EQ(tree->objectName(), "ChTreeFrame1");
  EXPECT_EQ(View().model()->rowCount(), 0);
  frame::NotifyGlobal(frame::kNotifyChannelStored, alpha, kWholeRecord);
  EXPECT_EQ(View().model()->rowCount(), 0);
  ASSERT_TRUE(world.engine.SwitchChannel(0, alpha, false));
  QStringList names;
  for (int r = 0; r < View().model()->rowCount(); ++r)
    names << View().model()->index(r, 0).data().toString();
  EXPECT_EQ(names.join(","), "Alpha,Beta,Twin");
}

TEST_F(ChanTreeWindow, NavigationBarStepsAndRepeatsWithShiftCtrl) {
  Open();
  auto *bar = tree->findChild<TChanTreeNavBar *>();
  ASSERT_NE(bar, nullptr);
  auto *down = tree->findChild<QToolButton *>("StepDown");
  QTest::mouseClick(down, Qt::LeftButton);
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, alpha);
  QTest::mouseClick(down, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_TRUE(bar->AutoStepping());
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, alpha);
  QTest::mouseClick(tree->findChild<QToolButton *>("StepUp"), Qt::LeftButton);
  EXPECT_FALSE(bar->AutoStepping());

  QTest::mouseClick(down, Qt::LeftButton);
  QTest::mouseClick(down, Qt::LeftButton);
  const std::int32_t playing = world.engine.Slot(0).CurrentHandle;
  ASSERT_NE(playing, alpha);
  QTest::mouseClick(tree->findChild<QToolButton *>("Previous"), Qt::LeftButton);
  EXPECT_NE(world.engine.Slot(0).CurrentHandle, playing);
  bar->HistoryMenu()->popup({0, 0});
  QStringList captions;
  for (QAction *action : bar->HistoryMenu()->actions())
    captions << action->text();
  bar->HistoryMenu()->close();
  // Left in turn: Alpha, Beta, then Gamma for Beta again.
  EXPECT_EQ(captions.join("|"), "(Astra) Gamma|(Astra) Beta|(Astra) Alpha");
  View().clearFocus();
  bar->HistoryMenu()->actions()[2]->trigger();
  EXPECT_EQ(world.engine.Slot(0).CurrentHandle, alpha);
  EXPECT_TRUE(View().hasFocus());
}

TEST_F(ChanTreeWindow, NavigationBarOpensClosesAndGoesUp) {
  Open();
  ASSERT_TRUE(FocusChannelOf(gamma));
  QTest::mouseClick(tree->findChild<QToolButton *>("GoParent"), Qt::LeftButton);
  EXPECT_EQ(CurrentText(), " ::: none :::");
  QTest::mouseClick(tree->findChild<QToolButton *>("GoParent"), Qt::LeftButton);
  EXPECT_EQ(CurrentText(), "Astra");
  QTest::mouseClick(tree->findChild<QToolButton *>("CloseAll"), Qt::LeftButton);
  tree->RefilterTree(); // closed groups stay closed through a refilter
  EXPECT_FALSE(View().isExpanded(Find("Astra")));
  EXPECT_FALSE(View().visualRect(Find("Alpha")).isValid());
  QTest::mouseClick(tree->findChild<QToolButton *>("OpenAll"), Qt::LeftButton);
  tree->RefilterTree();
  EXPECT_TRUE(View().visualRect(Find("Alpha")).isValid());
  world.engine.SwitchChannel(0, delta, false);
  ASSERT_TRUE(FocusChannelOf(alpha));
  QTest::mouseClick(tree->findChild<QToolButton *>("GoPlaying"), Qt::LeftButton);
  EXPECT_EQ(CurrentText(), "Delta");
}

} // namespace
} // namespace qev::ui

namespace qev::ui {
namespace {

TEST_F(ChanTreeWindow, FilterPanelRebuildsOnGroupingAndRefiltersOnFilters) {
  world.categories.CategLoad(world.root.dir / "missing.txt");
  Open();
  auto *group1 = tree->findChild<QComboBox *>("Group1");
  auto *group2 = tree->findChild<QComboBox *>("Group2");
  auto *category = tree->findChild<QComboBox *>("Category");
  auto *infoCol = tree->findChild<QComboBox *>("InfoColumn");
  EXPECT_EQ(category->itemText(0), "Any category");
  const int built = tree->Model().RebuildCount();

  group1->setCurrentIndex(0); // no grouping: no second level either
  EXPECT_EQ(rules.Group1By, 0);
  EXPECT_EQ(rules.Group2By, 0);
  EXPECT_EQ(group2->currentIndex(), 0);
  EXPECT_FALSE(group2->isEnabled());
  EXPECT_EQ(tree->Model().RebuildCount(), built + 1);
  EXPECT_EQ(View().model()->rowCount(), 5);

  infoCol->setCurrentIndex(1); // providers in the third column, without a rebuild
  EXPECT_EQ(rules.ChfInfoCol, 1);
  EXPECT_EQ(tree->Model().RebuildCount(), built + 1);
  EXPECT_EQ(View().model()->index(0, 2).data().toString(), "ARD");

  auto *name = tree->findChild<QLineEdit *>("NameFilter");
  QSignalSpy hotkeys(tree.get(), &TFrameChanTree::HotkeysActiveChanged);
  QTest::mouseClick(name, Qt::LeftButton);
  QTest::keyClicks(name, "ta"); // Beta, Delta
  EXPECT_EQ(rules.ChfContain, "ta");
  EXPECT_EQ(View().model()->rowCount(), 2);
  EXPECT_EQ(tree->Model().RebuildCount(), built + 1);
  View().setFocus();
  ASSERT_EQ(hotkeys.size(), 2);
  EXPECT_FALSE(hotkeys[0][0].toBool());
  EXPECT_TRUE(hotkeys[1][0].toBool());

  auto *filter = tree->findChild<TFrameChTreeFilter *>();
  const int unfolded = filter->height();
  QTest::mouseClick(tree->findChild<QToolButton *>("FoldButton"), Qt::LeftButton);
  EXPECT_TRUE(rules.MinimizedCF);
  EXPECT_LT(filter->height(), unfolded);
}

TEST_F(ChanTreeWindow, SecondTreeMenuFindsTheChannelInTheMainTree) {
  Open();
  std::unique_ptr<TFrameChanTree> main = std::move(tree);
  TGSFRules second = SecondRuleSet();
  TFrameChanTree pip(nullptr, world.context, {true, false, false}, second, 1);
  pip.resize(300, 300);
  pip.show();
  ASSERT_TRUE(world.engine.SwitchChannel(0, alpha, false));
  QTreeView &view = *pip.TreeView();
  const QModelIndex twinRow = view.model()->index(2, 0);
  ASSERT_EQ(twinRow.data().toString(), "Twin");
  const QPoint at = view.visualRect(twinRow).center();
  QTest::mouseClick(view.viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
  QApplication::sendEvent(view.viewport(), &event);
  auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->objectName(), "SecondTreeMenu");
  menu->close();
  menu->actions()[1]->trigger(); // find channel
  EXPECT_EQ(world.engine.Slot(0).SelectedHandle, twin);
  EXPECT_EQ(main->TreeView()->currentIndex().data().toString(), "Twin");
  menu->actions()[0]->trigger(); // show in output 2
  EXPECT_EQ(world.engine.Slot(2).CurrentHandle, twin);
  tree = std::move(main);
}

} // namespace
} // namespace qev::ui
