#include "ui/channel_tree_model.h"

#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

using test::AddCa;
using test::TFakeSky;

// "text(count)" for groups and "text" for channels, shown rows only, in tree order.
std::string Outline(const TChannelTreeModel &tree, int row = TChannelTreeModel::kRoot) {
  std::string out;
  for (const int child : tree.Row(row).Children) {
    const TTreeRow &r = tree.Row(child);
    if (!r.Shown)
      continue;
    out += r.RowText;
    if (!r.IsChannel())
      out += "(" + std::to_string(r.RowCount) + ")[" + Outline(tree, child) + "]";
    out += ' ';
  }
  if (!out.empty())
    out.pop_back();
  return out;
}

class ChannelTree : public ::testing::Test {
protected:
  ChannelTree() {
    rules.Group1By = 0;
    rules.SortRule1 = 0;
  }
  data::TChannelRec &Add(std::int32_t handle, std::string_view name, std::string_view prov = "") {
    data::TChannelRec &rec = sky.Add(handle, name);
    data::SetChProv(rec, prov);
    return rec;
  }
  TChannelTreeModel &Build() {
    tree.RebuildTree();
    return tree;
  }
  int RowOf(std::int32_t handle) const {
    for (std::size_t i = 0; i < tree.Rows().size(); ++i)
      if (tree.Rows()[i].RowKey == handle)
        return static_cast<int>(i);
    return -1;
  }

  TFakeSky sky;
  TGSFRules rules;
  TChannelTreeModel tree{rules, sky.Lookups()};
};

TEST_F(ChannelTree, GroupsOnTwoLevelsWithCountsOfShownChildren) {
  Add(0x10001, "b1", "Prov B");
  Add(0x10002, "a1", "prov a");
  Add(0x20001, "a2", "PROV A");
  Add(0x20002, "a3", "Prov A").Encrypted = 1;
  rules.Group1By = 1;
  rules.Group2By = 2;
  rules.ChfServType = 31;
  Build();
  // Provider texts that differ only in case form one group, named as first met.
  EXPECT_EQ(Outline(tree), "Sat1(2)[prov a(1)[a1] Prov B(1)[b1]] Sat2(1)[PROV A(2)[a2 a3]]");
  EXPECT_EQ(tree.AllChannels(), 4);
  EXPECT_EQ(tree.VisibleChannels(), 4);

  // A filter change hides rows and recounts without building again.
  rules.ChfServType = kServTv | kServFree;
  data::SetChName(sky.Channels[0x10001], "renamed");
  tree.RefilterTree();
  EXPECT_EQ(sky.Walks, 1);
  EXPECT_EQ(Outline(tree), "Sat1(2)[prov a(1)[a1] Prov B(1)[b1]] Sat2(1)[PROV A(1)[a2]]");
  EXPECT_EQ(tree.VisibleChannels(), 3);
  // The filter reads the records as they are now, not as they were built.
  rules.ChfContain = "E";
  tree.RefilterTree();
  EXPECT_EQ(Outline(tree), "Sat1(1)[Prov B(1)[b1]]");
  EXPECT_EQ(tree.VisibleChannels(), 1);
}

TEST_F(ChannelTree, SecondLevelEqualToTheFirstOrUnderNoGroupingIsIgnored) {
  Add(0x10001, "x", "P");
  rules.Group1By = 2;
  rules.Group2By = 2;
  EXPECT_EQ(Outline(Build()), "P(1)[x]");
  rules.Group1By = 0;
  rules.Group2By = 2;
  EXPECT_EQ(Outline(Build()), "x");
}

TEST_F(ChannelTree, MultiGroupChannelsAppearUnderEachGroup) {
  auto &both = Add(0x10001, "both");
  AddCa(both, 0x0500, 1);
  AddCa(both, 0x1801, 2);
  Add(0x10002, "free");
  rules.Group1By = 7;
  Build();
  EXPECT_EQ(Outline(tree), " ::: none :::(1)[free] Nagravision(1)[both] Viaccess(1)[both]");
  EXPECT_EQ(tree.VisibleChannels(), 3);
  // The CA id level below a CA system level keeps to that system's entries.
  rules.Group2By = 8;
  EXPECT_EQ(Outline(Build()), " ::: none :::(1)[ ::: none :::(1)[free]] "
                              "Nagravision(1)[1801-00002-NAGR(1)[both]] "
                              "Viaccess(1)[0500-00001-VIAC(1)[both]]");
}

TEST_F(ChannelTree, LanguageKindsLeaveOutChannelsWithoutSuchStreams) {
  test::AddEs(Add(0x10001, "with"), data::kKindSubtitle, "eng");
  Add(0x10002, "without");
  rules.Group1By = 11;
  EXPECT_EQ(Outline(Build()), "ENG-Subtitle(1)[with]");
  EXPECT_EQ(tree.AllChannels(), 2);
}

TEST_F(ChannelTree, CountsAreWiderThanSixteenBits) {
  for (int i = 1; i <= 70'000; ++i)
    Add(0x10000 + i, "c");
  rules.Group1By = 2;
  Build();
  EXPECT_EQ(tree.Row(tree.Row(TChannelTreeModel::kRoot).Children.at(0)).RowCount, 70'000u);
}

TEST_F(ChannelTree, SortIsStableWithGroupsFirstAndTieBreaks) {
  Add(0x10001, "beta", "Y");
  Add(0x10002, "Alpha", "Z");
  Add(0x10003, "alpha", "X");
  Add(0x10004, "ALPHA", "X");
  rules.SortRule1 = 1;
  rules.SortRule2 = 2;
  EXPECT_EQ(Outline(Build()), "alpha ALPHA Alpha beta");
  rules.SortRule1 = 1;
  rules.SortRule2 = 0;
  EXPECT_EQ(Outline(Build()), "Alpha alpha ALPHA beta"); // equal names keep list order
  rules.SortRule1 = 0;
  EXPECT_EQ(Outline(Build()), "beta Alpha alpha ALPHA");
  rules.Group1By = 2;
  rules.SortRule1 = 1;
  EXPECT_EQ(Outline(Build()), "X(2)[alpha ALPHA] Y(1)[beta] Z(1)[Alpha]");
}

TEST_F(ChannelTree, OutOfRangeKindsAreClampedBeforeBuilding) {
  Add(0x10001, "b");
  Add(0x10002, "a");
  rules.Group1By = 99;
  rules.SortRule1 = -3;
  EXPECT_EQ(Outline(Build()), "b a");
  EXPECT_EQ(rules.Group1By, 0);
}

TEST_F(ChannelTree, StepMovesThroughShownRowsOfOpenGroupsWithoutWrapping) {
  std::vector<std::int32_t> switched;
  tree.SetSwitchHandler([&](std::int32_t h) { switched.push_back(h); });
  tree.StepChannel(1); // empty tree
  EXPECT_TRUE(switched.empty());

  Add(0x10001, "a", "P1");
  Add(0x10002, "b", "P1").SrvType = 2;
  Add(0x10003, "c", "P1");
  Add(0x10004, "d", "P2");
  Add(0x10005, "e", "P3");
  rules.Group1By = 2;
  rules.ChfServType = 25; // radio hidden
  Build();
  tree.SetAllOpen(true);
  tree.SetOpen(tree.Row(RowOf(0x10004)).Parent, false);
  tree.StepChannel(1); // from the first row, a group
  tree.StepChannel(1); // skips the hidden radio channel
  tree.StepChannel(1); // skips the closed group
  tree.StepChannel(1); // nothing further
  EXPECT_EQ(switched, (std::vector<std::int32_t>{0x10001, 0x10003, 0x10005}));
  EXPECT_EQ(tree.FocusedRow(), RowOf(0x10005));
  tree.StepChannel(-1);
  tree.StepChannel(0); // stays on the focused channel row
  EXPECT_EQ(switched.back(), 0x10003);
  EXPECT_EQ(switched.size(), 5u);
}

TEST_F(ChannelTree, FocusFindsTheFirstShownRowAndOpensItsGroups) {
  auto &rec = Add(0x10001, "multi");
  AddCa(rec, 0x0500, 0);
  AddCa(rec, 0x1801, 0);
  Add(0x10002, "hidden").SrvType = 2;
  rules.Group1By = 7;
  rules.ChfServType = 25;
  Build();
  EXPECT_FALSE(tree.FocusChannel(0x10002));
  EXPECT_FALSE(tree.FocusChannel(0x7777));
  ASSERT_TRUE(tree.FocusChannel(0x10001));
  const TTreeRow &parent = tree.Row(tree.Row(tree.FocusedRow()).Parent);
  EXPECT_EQ(parent.RowText, "Nagravision");
  EXPECT_TRUE(parent.Open);
  EXPECT_EQ(tree.Selection(), std::vector<int>{tree.FocusedRow()});
}

TEST_F(ChannelTree, RebuildFocusesTheSelectedChannelAndOpensGroupsWhenAsked) {
  Add(0x10001, "a", "P");
  Add(0x10002, "b", "P");
  rules.Group1By = 2;
  tree.SetSelectedHandle([] { return 0x10002; });
  tree.SetAutoExpand([] { return true; });
  Build();
  EXPECT_EQ(tree.FocusedRow(), RowOf(0x10002));
  EXPECT_TRUE(tree.Row(tree.Row(tree.FocusedRow()).Parent).Open);
}

TEST_F(ChannelTree, RebuildAskedForDuringARebuildRunsOnceAfterIt) {
  Add(0x10001, "a");
  int asks = 0;
  tree.SetSelectedHandle([&] {
    if (asks++ == 0) {
      tree.RebuildTree();
      tree.RebuildTree();
    }
    EXPECT_EQ(tree.Rows().size(), 2u); // the tree is whole while hooks run
    return 0;
  });
  tree.RebuildTree();
  EXPECT_EQ(tree.RebuildCount(), 2);
  EXPECT_EQ(sky.Walks, 2);
}

TEST_F(ChannelTree, SelectionCountsDistinctChannels) {
  auto &rec = Add(0x10001, "multi");
  AddCa(rec, 0x0500, 0);
  AddCa(rec, 0x1801, 0);
  Add(0x10002, "other");
  rules.Group1By = 7;
  Build();
  std::vector<int> rows;
  for (std::size_t i = 0; i < tree.Rows().size(); ++i)
    rows.push_back(static_cast<int>(i)); // groups and the root are no channels
  tree.SetSelection(rows);
  EXPECT_EQ(tree.SelectedChannelCount(), 2u);
}

TEST_F(ChannelTree, GroupTargetsAreTheShownChannelsThroughShownSubgroups) {
  Add(0x10001, "a", "P");
  Add(0x10002, "b", "P").SrvType = 2;
  Add(0x10003, "c", "Q").SrvType = 2;
  Add(0x20001, "d", "P");
  rules.Group1By = 1;
  rules.Group2By = 2;
  rules.ChfServType = 25;
  Build();
  const int sat1 = tree.Row(TChannelTreeModel::kRoot).Children.at(0);
  EXPECT_EQ(tree.GroupTargets(sat1), std::vector<std::int32_t>{0x10001});
  EXPECT_EQ(tree.GroupTargets(TChannelTreeModel::kRoot),
            (std::vector<std::int32_t>{0x10001, 0x20001}));
}

} // namespace
} // namespace qev::ui
