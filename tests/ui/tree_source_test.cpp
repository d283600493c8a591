#include "ui/tree_source.h"

#include "ui/channel_tree_model.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

data::TSatRec Sat(int index, int position, bool active) {
  data::TSatRec rec{};
  rec.SatIdx = static_cast<std::uint8_t>(index);
  rec.SatPos = static_cast<std::uint16_t>(position);
  rec.SatActive = active;
  data::SetSatName(rec, "S" + std::to_string(index));
  return rec;
}

data::TChannelRec Rec(int sat, std::uint32_t freq, char polar, std::string_view name) {
  data::TChannelRec rec{};
  rec.Freq = freq;
  rec.Polar = polar;
  rec.SrvType = 1;
  rec.SatIndex = static_cast<std::uint8_t>(sat);
  data::SetChName(rec, name);
  return rec;
}

class TreeSource : public ::testing::Test {
protected:
  TreeSource() {
    sats.SatAdd(Sat(2, 192, true), false);
    sats.SatAdd(Sat(1, 130, true), false);
    sats.SatAdd(Sat(3, 235, false), false);
    sats.SatAdd(Sat(4, 280, true), false); // an empty list
    for (const int sat : {1, 2, 3, 4})
      lists.ListOpen(sat, false);
    lists.ListOf(1)->ListAppend(Rec(1, 11'000'000, 'H', "one-a"));
    lists.ListOf(1)->ListAppend(Rec(1, 11'000'000, 'V', "one-b"));
    lists.ListOf(1)->ListAppend(Rec(1, 11'000'000, 'H', "one-c"));
    lists.ListOf(2)->ListAppend(Rec(2, 11'000'000, 'H', "two"));
    lists.ListOf(3)->ListAppend(Rec(3, 11'000'000, 'H', "three"));
  }

  std::vector<std::pair<std::int32_t, std::string>> Walk(const TTreeLookups &l, std::int64_t &all) {
    std::vector<std::pair<std::int32_t, std::string>> out;
    all = l.WalkChannels([&](std::int32_t h, const data::TChannelRec &rec) {
      out.emplace_back(h, data::ChName(rec));
    });
    return out;
  }

  data::TSatList sats;
  data::TChannelLists lists{sats};
  data::TFavorites favorites;
  data::TCategories categories;
  TTreeData source{
      sats, lists, favorites, categories, [] { return false; }, [](int) { return std::string(); }};
};

TEST_F(TreeSource, MainTreeWalksActiveSatellitesInListOrder) {
  std::int64_t all = 0;
  const auto walked = Walk(AllSatellitesLookups(source), all);
  using P = std::pair<std::int32_t, std::string>;
  EXPECT_EQ(walked,
            (std::vector<P>{
                {0x10000, "one-a"}, {0x10001, "one-b"}, {0x10002, "one-c"}, {0x20000, "two"}}));
  EXPECT_EQ(all, 4);
}

TEST_F(TreeSource, OtherTreesWalkOnlySlotZerosTransponder) {
  std::optional<data::TChannelRec> playing;
  const TTreeLookups l = SlotTransponderLookups(source, [&] { return playing; });
  std::int64_t all = -1;
  EXPECT_TRUE(Walk(l, all).empty());
  EXPECT_EQ(all, 0);
  playing = Rec(1, 11'000'000, 'H', "playing");
  playing->SRate = 999; // not compared
  using P = std::pair<std::int32_t, std::string>;
  EXPECT_EQ(Walk(l, all), (std::vector<P>{{0x10000, "one-a"}, {0x10002, "one-c"}}));
  EXPECT_EQ(all, 3);
}

TEST_F(TreeSource, TreeBuildsFromTheLists) {
  TGSFRules rules;
  TChannelTreeModel tree(rules, AllSatellitesLookups(source));
  tree.RebuildTree();
  ASSERT_EQ(tree.Row(TChannelTreeModel::kRoot).Children.size(), 2u);
  EXPECT_EQ(tree.Row(tree.Row(TChannelTreeModel::kRoot).Children[0]).RowText, "S1");
  EXPECT_EQ(tree.VisibleChannels(), 4);
}

} // namespace
} // namespace qev::ui
