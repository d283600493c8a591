#include "ui/tree_filter_controls.h"
#include "ui/tree_history_menu.h"
#include "ui/tree_row_style.h"
#include "ui/tree_type_ahead.h"

#include "tree_fixture.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

using namespace std::chrono_literals;

TEST(TypeAhead, CollectsLettersUntilAPause) {
  TTypeAhead typed;
  const TTypeAhead::TClock::time_point t0{1h};
  EXPECT_EQ(typed.Add("a", t0), "a");
  EXPECT_EQ(typed.Add("b", t0 + 1499ms), "ab");
  EXPECT_EQ(typed.Add("c", t0 + 2998ms), "abc"); // each letter restarts the pause
  EXPECT_EQ(typed.Add("d", t0 + 4498ms), "d");
}

class TypeAheadRows : public ::testing::Test {
protected:
  TypeAheadRows() {
    rules.Group1By = 0;
    rules.SortRule1 = 1;
    for (const char *name : {"Arte", "BBC One", "bbc Two", "Cartoon", "Hidden B"})
      sky.Add(0x10000 + static_cast<int>(sky.Order.size()) + 1, name);
    sky.Channels[0x10005].SrvType = 2; // radio, filtered out below
    rules.ChfServType = 1 | 8 | 16;
    tree.RebuildTree();
  }
  std::string TextOf(int row) const {
    return row == TChannelTreeModel::kNoRow ? "-" : tree.Row(row).RowText;
  }
  test::TFakeSky sky;
  TGSFRules rules;
  TChannelTreeModel tree{rules, sky.Lookups()};
};

TEST_F(TypeAheadRows, JumpsToTheNextShownRowStartingWithTheText) {
  EXPECT_EQ(TextOf(TypeAheadRow(tree, "b")), "BBC One"); // nothing focused: from the top
  tree.FocusChannel(0x10002);
  EXPECT_EQ(TextOf(TypeAheadRow(tree, "B")), "bbc Two");     // a letter moves on
  EXPECT_EQ(TextOf(TypeAheadRow(tree, "bbc o")), "BBC One"); // a longer text may stay
  tree.FocusChannel(0x10003);
  EXPECT_EQ(TextOf(TypeAheadRow(tree, "b")), "BBC One"); // wraps, never reaches hidden rows
  EXPECT_EQ(TextOf(TypeAheadRow(tree, "x")), "-");
}

TEST(HistoryMenu, ListsNewestFirstWithCaptionAndIcon) {
  const std::string longName(40, 'N');
  std::vector<device::THistoryEntry> entries = {{0x10001, "  312359504(Astra) Alpha  ", {}},
                                                {0x10002, "31235951", {}}, // too short: no name
                                                {0x10003, "312400017(Astra) " + longName, {}},
                                                {0, "312400026(Hotbird) Gone", {}}};
  const std::vector<THistoryMenuItem> items = HistoryMenuItems(entries);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Handle, 0);
  EXPECT_EQ(items[0].Caption, "(Hotbird) Gone");
  EXPECT_EQ(items[0].Icon, 6);
  EXPECT_EQ(items[1].Caption, "(Astra) " + std::string(24, 'N')); // 32 characters
  EXPECT_EQ(items[1].Icon, 7);
  EXPECT_EQ(items[2].Caption, "(Astra) Alpha");
  EXPECT_EQ(items[2].Icon, 4);
}

TEST(HistoryMenu, CutsCaptionsBetweenCharacters) {
  THistoryMenuItem item;
  ASSERT_TRUE(ParseHistoryText("312359504" + std::string(31, 'x') + "\xC3\xA9\xC3\xA9", item));
  EXPECT_EQ(item.Caption, std::string(31, 'x') + "\xC3\xA9");
  EXPECT_FALSE(ParseHistoryText("  31235950  ", item));
}

TEST(RowStyle, GroupsAreBoldInTheirLevelColours) {
  TGSFRules rules;
  rules.Group1By = 2;
  rules.Group2By = 1;
  TTreeRow first;
  first.RowKey = -1;
  TTreeRow second;
  second.RowKey = -2;
  TRowStyle s = TreeRowStyle(first, kTreeColumnName, rules, {});
  EXPECT_TRUE(s.Bold && s.Fixed && s.OwnColour);
  EXPECT_EQ(s.Text, kColourBlack);
  s = TreeRowStyle(second, kTreeColumnName, rules, {});
  EXPECT_FALSE(s.Fixed); // satellites are not fixed-width
  EXPECT_EQ(s.Text, kColourMaroon);
  EXPECT_TRUE(TreeRowStyle(second, kTreeColumnKind, rules, {}).Fixed);
  EXPECT_EQ(TreeRowStyle(second, kTreeColumnName, rules, {true, false, 0}).Text, kColourWhite);
  for (int kind = 0; kind < 16; ++kind)
    EXPECT_EQ(FixedFontKind(kind),
              kind == 2 || kind == 3 || (kind >= 7 && kind <= 13) || kind == 15)
        << kind;
}

TEST(RowStyle, ThePlayingChannelIsBoldAquaWhenSelectedInTheFocusedTree) {
  TGSFRules rules;
  TTreeRow channel;
  channel.RowKey = 0x10001;
  EXPECT_FALSE(TreeRowStyle(channel, 0, rules, {true, true, 0x10002}).OwnColour);
  TRowStyle s = TreeRowStyle(channel, 0, rules, {true, true, 0x10001});
  EXPECT_TRUE(s.Bold);
  EXPECT_EQ(s.Text, kColourAqua);
  EXPECT_EQ(TreeRowStyle(channel, 0, rules, {true, false, 0x10001}).Text, kColourBlue);
  EXPECT_EQ(TreeRowStyle(channel, 0, rules, {false, true, 0x10001}).Text, kColourBlue);
}

TEST(RowStyle, FavouriteColumnIcons) {
  data::TChannelRec rec{};
  EXPECT_EQ(FavouriteIcon(rec), -1);
  rec.ChildLock = 1;
  EXPECT_EQ(FavouriteIcon(rec), 76);
  rec.FavCat[3] = 1;
  EXPECT_EQ(FavouriteIcon(rec), 77);
  rec.ChildLock = 0;
  EXPECT_EQ(FavouriteIcon(rec), 9);
}

TEST(FilterControls, LoadingClampsEveryChooser) {
  TGSFRules rules;
  rules.Group1By = 16;
  rules.Group2By = -1;
  rules.SortRule1 = 4;
  rules.SortRule2 = 3;
  rules.ChfInfoCol = 6;
  rules.ChfCategory = 5;
  rules.ChfServType = 2 | 16;
  const TFilterControls c = ControlsOf(rules, 5);
  EXPECT_EQ(c.Group1, 0);
  EXPECT_EQ(c.Group2, 0);
  EXPECT_EQ(c.Sort1, 0);
  EXPECT_EQ(c.Sort2, 3);
  EXPECT_EQ(c.InfoCol, 0);
  EXPECT_EQ(c.Category, 0);
  EXPECT_EQ(ControlsOf(rules, 6).Category, 5);
  EXPECT_EQ(c.Services, (std::array<bool, 5>{false, true, false, false, true}));
}

TEST(FilterControls, StoringAndReset) {
  TGSFRules rules;
  TFilterControls c = ControlsOf(rules, 1);
  c.Group1 = 0;
  c.Group2 = 3;
  StoreGrouping(rules, c);
  EXPECT_EQ(rules.Group2By, 0);
  EXPECT_EQ(c.Group2, 0);
  c.Services = {true, false, true, false, false};
  c.Ttx = true;
  c.Name = "bbc";
  c.Category = 2;
  StoreFilter(rules, c);
  EXPECT_EQ(rules.ChfServType, 5);
  EXPECT_TRUE(rules.ChfFlagTTX);
  EXPECT_EQ(rules.ChfContain, "bbc");
  EXPECT_EQ(rules.ChfCategory, 2);
  rules.ChfFavorite = rules.ChfFlagSUB = rules.ChfFlagAC3 = true;
  ResetFilter(rules);
  EXPECT_EQ(rules.ChfServType, 31);
  EXPECT_EQ(rules.ChfCategory, 0);
  EXPECT_TRUE(rules.ChfContain.empty());
  EXPECT_FALSE(rules.ChfFavorite || rules.ChfFlagSUB || rules.ChfFlagAC3 || rules.ChfFlagTTX);
}

} // namespace
} // namespace qev::ui

namespace qev::ui {
namespace {

// The row StepChannel should reach, found through the full display order.
int ExpectedStep(const TChannelTreeModel &tree, int focused, int direction) {
  const std::vector<int> order = tree.DisplayOrder();
  const auto at = std::find(order.begin(), order.end(), focused);
  auto pos = at == order.end() ? std::ptrdiff_t{0} : at - order.begin();
  const int step = direction < 0 ? -1 : 1;
  if (direction != 0)
    pos += step;
  for (; pos >= 0 && pos < static_cast<std::ptrdiff_t>(order.size()); pos += step)
    if (tree.Row(order[static_cast<std::size_t>(pos)]).IsChannel())
      return order[static_cast<std::size_t>(pos)];
  return focused;
}

TEST(TreeStep, WalksTheDisplayedRowsInOrder) {
  test::TFakeSky sky;
  for (int n = 0; n < 40; ++n) {
    data::TChannelRec &rec =
        sky.Add(0x10001 + n, std::string(1, static_cast<char>('a' + n % 7)) + std::to_string(n));
    data::SetChProv(rec, "P" + std::to_string(n % 4));
    rec.SrvType = n % 5 == 0 ? 2 : 1;
  }
  TGSFRules rules;
  rules.Group1By = 2;
  rules.Group2By = 9;
  rules.ChfServType = 1 | 8 | 16;
  TChannelTreeModel tree(rules, sky.Lookups());
  tree.RebuildTree();
  tree.SetAllOpen(true);
  for (int row = 1; row < static_cast<int>(tree.Rows().size()); row += 3)
    if (!tree.Row(row).IsChannel())
      tree.SetOpen(row, false);
  std::vector<int> starts = tree.DisplayOrder();
  starts.push_back(TChannelTreeModel::kNoRow);
  starts.push_back(5); // possibly inside a closed group
  for (const int start : starts)
    for (const int direction : {-1, 0, 1}) {
      tree.SetFocusedRow(start);
      const int expected = ExpectedStep(tree, start, direction);
      tree.StepChannel(direction);
      EXPECT_EQ(tree.FocusedRow(), expected) << start << " " << direction;
    }
}

} // namespace
} // namespace qev::ui
