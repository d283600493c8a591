#include "ui/tree_popup_actions.h"
#include "ui/tree_popup_rules.h"

#include "support/scripted_presenter.h"
#include "tree_fixture.h"
#include "ui_world.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

using test::TFakeSky;

int RowNamed(const TChannelTreeModel &tree, const std::string &text) {
  for (int row = 1; row < static_cast<int>(tree.Rows().size()); ++row)
    if (tree.Row(row).RowText == text)
      return row;
  return TChannelTreeModel::kNoRow;
}

// Three channels; "Both" has Seca and Irdeto entries and so sits in two CA groups.
class TreeMenus : public ::testing::Test {
protected:
  TreeMenus() {
    rules.Group1By = 7; // CA system
    rules.SortRule1 = 1;
    test::AddCa(sky.Add(0x10001, "Both"), 0x0100, 0);
    data::TChannelRec &both = sky.Channels[0x10001];
    test::AddCa(both, 0x0600, 0);
    test::AddCa(sky.Add(0x10002, "Seca only"), 0x0100, 0);
    sky.Add(0x10003, "Free");
    tree.RebuildTree();
    tree.SetAllOpen(true);
  }
  TFakeSky sky;
  TGSFRules rules;
  TChannelTreeModel tree{rules, sky.Lookups()};
};

TEST_F(TreeMenus, AGroupActsOnItsShownChannels) {
  tree.FocusChannel(0x10002);
  tree.SetFocusedRow(RowNamed(tree, "Seca"));
  tree.SetSelection({RowNamed(tree, "Seca")});
  const TTreeMenuChoice choice = ChooseTreeMenu(tree, 0);
  EXPECT_EQ(choice.Menu, TTreeMenu::Selection);
  EXPECT_EQ(choice.Title, "Group node: Seca");
  EXPECT_EQ(choice.Targets, (std::vector<std::int32_t>{0x10001, 0x10002}));
  EXPECT_FALSE(choice.MultipleSelection);
}

TEST_F(TreeMenus, ASelectionCountsEachChannelOnceAndNoGroups) {
  std::vector<int> rows;
  for (int row = 1; row < static_cast<int>(tree.Rows().size()); ++row)
    rows.push_back(row); // every group and every listing of "Both"
  tree.SetSelection(rows);
  const TTreeMenuChoice choice = ChooseTreeMenu(tree, 0);
  EXPECT_EQ(choice.Menu, TTreeMenu::Selection);
  EXPECT_TRUE(choice.MultipleSelection);
  EXPECT_EQ(choice.Targets.size(), 3u);
  EXPECT_EQ(choice.Title, "Selected channels: 3");
}

TEST_F(TreeMenus, OneChannelRowOpensTheMenuOfItsTree) {
  ASSERT_TRUE(tree.FocusChannel(0x10003));
  EXPECT_EQ(ChooseTreeMenu(tree, 0).Menu, TTreeMenu::Channel);
  EXPECT_EQ(ChooseTreeMenu(tree, 1).Menu, TTreeMenu::SecondTree);
  tree.SetFocusedRow(TChannelTreeModel::kNoRow);
  tree.SetSelection({});
  EXPECT_EQ(ChooseTreeMenu(tree, 0).Menu, TTreeMenu::None);
}

TEST(ChannelMenu, HidesWhatIsMissingAndEnablesRecordingOnThePlayingTransponder) {
  data::TChannelRec rec{};
  rec.SatIndex = 1;
  rec.Freq = 11778000;
  rec.Polar = 'V';
  device::TSlotState slot0;
  TUiSubsystems none;
  TChannelMenuState state = ChannelMenuState(none, rec, false, slot0);
  EXPECT_FALSE(state.FavEditVisible || state.RecordVisible || state.ScheduleVisible ||
               state.EditVisible || state.RescanVisible);
  EXPECT_TRUE(state.FavouriteEnabled);
  EXPECT_TRUE(state.LockVisible);
  EXPECT_EQ(state.LockCaption, "Lock Channel");
  EXPECT_FALSE(state.OnPlayingTransponder);

  TUiSubsystems all;
  all.FavEdit = [](std::uint8_t(&)[4]) { return true; };
  all.RecStartChannel = [](const data::TChannelRec &, int, int, bool) {};
  all.SchAddJob = [](const data::TChannelRec &, const TSchJobRequest &) {};
  all.EditChannel = [](data::TChannelRec &) { return true; };
  all.RescanByHandle = [](std::int32_t) {};
  slot0.CurrentHandle = 0x10001;
  slot0.CurrentChannel = rec;
  slot0.CurrentChannel.SRate = 1; // the symbol rate does not matter
  rec.ChildLock = 1;
  state = ChannelMenuState(all, rec, true, slot0);
  EXPECT_TRUE(state.FavEditVisible && state.RecordVisible && state.ScheduleVisible &&
              state.EditVisible && state.RescanVisible);
  EXPECT_FALSE(state.LockVisible);
  EXPECT_EQ(state.LockCaption, "UnLock Channel");
  EXPECT_TRUE(state.OnPlayingTransponder);
  slot0.CurrentChannel.Polar = 'H';
  EXPECT_FALSE(ChannelMenuState(all, rec, false, slot0).OnPlayingTransponder);
}

TEST(ChannelMenu, FavouriteTogglesTheLastPlaceUntilTheEditorIsNeeded) {
  data::TChannelRec rec{};
  TUiSubsystems none;
  EXPECT_FALSE(FavouriteNeedsEditor(rec));
  ToggleLastFavourite(rec);
  EXPECT_EQ(rec.FavCat[3], 1);
  ToggleLastFavourite(rec);
  EXPECT_EQ(rec.FavCat[3], 0);
  rec.FavCat[2] = 5;
  EXPECT_TRUE(FavouriteNeedsEditor(rec));
  EXPECT_FALSE(ChannelMenuState(none, rec, false, device::TSlotState{}).FavouriteEnabled);
}

class TreeActions : public ::testing::Test {
protected:
  TreeActions() {
    a = world.Add(1, 11778000, 'V', 101, "Alpha", "P1");
    b = world.Add(1, 11778000, 'V', 102, "Beta", "P1");
    c = world.Add(2, 12188000, 'H', 201, "Gamma", "P2");
  }
  test::UiWorld world;
  qev::test::ScriptedPresenter presenter;
  TTreeMenuActions actions{world.context, 0};
  std::int32_t a = 0, b = 0, c = 0;
};

TEST_F(TreeActions, DeleteAllAsksWithTheCountAndNoChangesNothing) {
  EXPECT_FALSE(actions.DeleteAll({a, c}));
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{"Delete 2 channels ?"}));
  EXPECT_EQ(world.root.lists.ListOf(1)->Count(), 2);
  EXPECT_EQ(world.root.lists.ListOf(2)->Count(), 1);

  presenter.AnswerNext(true);
  EXPECT_TRUE(actions.DeleteAll({a, c}));
  EXPECT_EQ(world.root.lists.ListOf(1)->Count(), 1);
  EXPECT_EQ(world.root.lists.ListOf(1)->Item(0).SID, 102);
  EXPECT_EQ(world.root.lists.ListOf(2)->Count(), 0);
}

TEST_F(TreeActions, SelectionEditsSkipUnresolvedTargetsAndDecliningChangesNothing) {
  bool accept = false;
  world.context.Subsystems.FavEdit = [&](std::uint8_t(&fav)[4]) {
    EXPECT_EQ(fav[0] + fav[1] + fav[2] + fav[3], 0); // starts from no favourites
    fav[0] = 7;
    return accept;
  };
  EXPECT_FALSE(actions.SetFavourites({a, b}));
  EXPECT_EQ(world.Rec(a).FavCat[0], 0);
  accept = true;
  EXPECT_TRUE(actions.SetFavourites({a, 0x1FFFF, b}));
  EXPECT_EQ(world.Rec(a).FavCat[0], 7);
  EXPECT_EQ(world.Rec(b).FavCat[0], 7);
  EXPECT_EQ(world.Rec(c).FavCat[0], 0);

  world.context.Subsystems.SelectProfile = [](int &profile) {
    profile = 3;
    return true;
  };
  EXPECT_TRUE(actions.ChangeProfile({c}));
  EXPECT_EQ(world.Rec(c).PlgProfile, 3);
}

TEST_F(TreeActions, PreferredAudioReportsHowManyChannelsChanged) {
  actions.PreferredAudio({a, b});
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text, "Audio PID was changed for 0 channel(s)");
  EXPECT_EQ(presenter.shown[0].caption, "Information");
}

TEST_F(TreeActions, ChannelMenuStoresThroughTheEngine) {
  world.engine.SelectSlotChannel(0, b, 0);
  actions.Favourite();
  EXPECT_EQ(world.Rec(b).FavCat[3], 1);
  actions.ToggleLock();
  EXPECT_EQ(world.Rec(b).ChildLock, 1);
  EXPECT_EQ(world.engine.Slot(0).SelectedChannel.ChildLock, 1);
  world.context.ChildLockActive = [] { return true; };
  actions.ToggleLock(); // the lock itself cannot be lifted while it is on
  EXPECT_EQ(world.Rec(b).ChildLock, 1);

  data::TChannelRec recorded{};
  int recordSlot = -1;
  world.context.Subsystems.RecStartChannel = [&](const data::TChannelRec &rec, int slot, int,
                                                 bool) {
    recorded = rec;
    recordSlot = slot;
  };
  actions.Record();
  EXPECT_EQ(recordSlot, kNoRecordSlot);
  EXPECT_EQ(recorded.SID, 102);
  ASSERT_TRUE(world.engine.SwitchChannel(1, b, false));
  actions.Record();
  EXPECT_EQ(recordSlot, 1);
}

TEST(TreeMenuTexts, AreExact) {
  EXPECT_EQ(DeleteChannelsQuestion(12), "Delete 12 channels ?");
  EXPECT_EQ(AudioChangedText(3), "Audio PID was changed for 3 channel(s)");
}

} // namespace
} // namespace qev::ui
