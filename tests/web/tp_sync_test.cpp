#include "web/tp_sync.h"

#include <gtest/gtest.h>

namespace qev::web {
namespace {

using data::MakeTransponder;
using data::TSatTransponders;
using data::TTransponder;

TSatTransponders List(const std::string &position, const std::vector<TTransponder> &entries,
                      const std::string &name = "Astra") {
  TSatTransponders list;
  list.PositionText = position;
  list.Name = name;
  for (const TTransponder &tp : entries)
    list.TpAdd(tp);
  return list;
}

TTransponder H(std::uint32_t f, std::uint32_t s = 27500) { return MakeTransponder(f, 'H', s); }
TTransponder V(std::uint32_t f, std::uint32_t s = 27500) { return MakeTransponder(f, 'V', s); }

std::string Side(const TTransponder &tp) { return data::TpValid(tp) ? data::TpText(tp) : "-"; }

// Each row as "new|current|state", in row order.
std::vector<std::string> Rows(const TTpSync &sync) {
  std::vector<std::string> rows;
  for (const TSyncRow &row : sync.Rows())
    rows.push_back(Side(row.New) + "|" + Side(row.Current) + "|" + std::to_string(row.State));
  return rows;
}

std::vector<std::string> Texts(const TSatTransponders &list) {
  std::vector<std::string> texts;
  for (const TTransponder &tp : list.Items())
    texts.push_back(data::TpText(tp));
  return texts;
}

struct TPairCase {
  const char *name;
  std::vector<TTransponder> newer, current;
  int maxDiff, offset;
  bool ignoreFreq;
  std::vector<std::string> rows;
};

TEST(TpSync, PairsAndClassifiesTheEntriesOfBothLists) {
  const std::vector<TPairCase> cases = {
      {"offset brings a new entry next to a current one",
       {V(11776)},
       {V(11779)},
       1,
       2,
       true,
       {"11778,V,27500|11779,V,27500|3"}},
      {"a near twin in the new list is dropped",
       {V(11778), V(11779)},
       {},
       1,
       0,
       true,
       {"11778,V,27500|-|1"}},
      {"frequency difference ignored",
       {V(11778)},
       {V(11779)},
       1,
       0,
       true,
       {"11778,V,27500|11779,V,27500|3"}},
      {"frequency difference counts",
       {V(11778)},
       {V(11779)},
       1,
       0,
       false,
       {"11778,V,27500|11779,V,27500|4"}},
      {"another symbol rate always counts",
       {V(11778, 22000)},
       {V(11778)},
       1,
       0,
       true,
       {"11778,V,22000|11778,V,27500|4"}},
      {"polarisation keeps entries apart",
       {H(11778)},
       {V(11778)},
       1,
       0,
       true,
       {"11778,H,27500|-|1", "-|11778,V,27500|2"}},
      {"beyond the maximum difference",
       {V(11778)},
       {V(11781)},
       2,
       0,
       true,
       {"11778,V,27500|-|1", "-|11781,V,27500|2"}},
      {"near twins in the current list keep a row each",
       {V(11778)},
       {V(11778), V(11779)},
       1,
       0,
       true,
       {"11778,V,27500|11778,V,27500|3", "-|11779,V,27500|2"}},
      {"a filled side is never overwritten",
       {V(11776)},
       {V(11777), V(11775)},
       1,
       0,
       true,
       {"-|11775,V,27500|2", "11776,V,27500|11777,V,27500|3"}},
      {"an offset to zero or below skips the entry",
       {V(3), V(11000)},
       {},
       1,
       -5,
       true,
       {"10995,V,27500|-|1"}},
  };
  for (const TPairCase &c : cases) {
    SCOPED_TRACE(c.name);
    const TSatTransponders newer = List("0192", c.newer), current = List("0192", c.current);
    TTpSync sync(newer, current);
    sync.SetMaxDiff(c.maxDiff);
    sync.SetOffset(c.offset);
    sync.SetIgnoreFreqDiff(c.ignoreFreq);
    EXPECT_EQ(Rows(sync), c.rows);
  }
}

TEST(TpSync, ApplyWithoutActionsKeepsEveryCurrentEntry) {
  const TSatTransponders newer = List("0192", {V(11778)});
  TSatTransponders current = List("0192", {V(11779), V(11778), H(12000)});
  TTpSync sync(newer, current);
  sync.Apply(current);
  EXPECT_EQ(Texts(current),
            (std::vector<std::string>{"12000,H,27500", "11778,V,27500", "11779,V,27500"}));
}

TEST(TpSync, SortOrdersAndShowFilters) {
  const TSatTransponders newer = List("0192", {V(11000), H(12000), V(12500, 22000)});
  const TSatTransponders current = List("0192", {H(12000), V(12500), H(10800)});
  TTpSync sync(newer, current);
  EXPECT_EQ(Rows(sync),
            (std::vector<std::string>{"-|10800,H,27500|2", "12000,H,27500|12000,H,27500|3",
                                      "11000,V,27500|-|1", "12500,V,22000|12500,V,27500|4"}));
  sync.SetSortOrder(data::kTpOrderFreq);
  EXPECT_EQ(Rows(sync).front(), "-|10800,H,27500|2");
  EXPECT_EQ(Rows(sync)[1], "11000,V,27500|-|1");

  const std::vector<std::pair<int, std::vector<std::uint8_t>>> filters = {
      {kShowAll, {2, 1, 3, 4}}, {kShowAllButEqual, {2, 1, 4}},
      {kShowOnlyNew, {1}},      {kShowOnlyCurrent, {2}},
      {kShowEqual, {3}},        {kShowChanged, {4}}};
  for (const auto &[filter, states] : filters) {
    sync.SetFilter(filter);
    std::vector<std::uint8_t> shown;
    for (int row : sync.Visible())
      shown.push_back(sync.Rows()[static_cast<std::size_t>(row)].State);
    EXPECT_EQ(shown, states) << "filter " << filter;
  }
}

// The rows of SortOrdersAndShowFilters in order 0: 2, 3, 1, 4.
struct TActionFixture : ::testing::Test {
  TSatTransponders newer = List("0192", {V(11000), H(12000), V(12500, 22000)});
  TSatTransponders current = List("0192", {H(12000), V(12500), H(10800)});
  TTpSync sync{newer, current};
  int Row(std::uint8_t state) const {
    for (std::size_t i = 0; i < sync.Rows().size(); ++i)
      if (sync.Rows()[i].State == state)
        return static_cast<int>(i);
    return -1;
  }
};

TEST_F(TActionFixture, CopyAndDeleteOnlyWhereTheStateAllows) {
  EXPECT_FALSE(sync.UpdateEnabled());
  EXPECT_FALSE(sync.Copy(Row(kSyncOnlyCurrent)));
  EXPECT_FALSE(sync.Copy(Row(kSyncEqual)));
  EXPECT_FALSE(sync.Delete(Row(kSyncOnlyNew)));
  EXPECT_FALSE(sync.Copy(99));
  EXPECT_TRUE(sync.Copy(Row(kSyncOnlyNew)));
  EXPECT_TRUE(sync.UpdateEnabled() && sync.UndoEnabled() && sync.RevertEnabled());
  EXPECT_EQ(sync.Rows()[static_cast<std::size_t>(Row(kSyncOnlyNew))].Action, kActionCopy);
  EXPECT_TRUE(sync.Delete(Row(kSyncOnlyCurrent)));
  EXPECT_TRUE(sync.Delete(Row(kSyncEqual)));
  EXPECT_EQ(sync.CopyAll(), 2); // the only-new row again and the changed one
}

TEST_F(TActionFixture, CancelGivesTheSavedEntryBack) {
  const int changed = Row(kSyncChanged);
  ASSERT_TRUE(sync.Copy(changed));
  EXPECT_EQ(Side(sync.Rows()[static_cast<std::size_t>(changed)].Current), "12500,V,22000");
  EXPECT_TRUE(sync.Cancel(changed));
  EXPECT_FALSE(sync.Cancel(changed));
  EXPECT_EQ(Side(sync.Rows()[static_cast<std::size_t>(changed)].Current), "12500,V,27500");
  EXPECT_EQ(sync.Rows()[static_cast<std::size_t>(changed)].Action, kActionNone);
}

TEST_F(TActionFixture, UpdateUndoAndRevert) {
  ASSERT_TRUE(sync.Copy(Row(kSyncChanged)));
  ASSERT_TRUE(sync.Delete(Row(kSyncOnlyCurrent)));
  sync.Update();
  EXPECT_FALSE(sync.UpdateEnabled());
  EXPECT_TRUE(sync.RevertEnabled());
  EXPECT_EQ(Rows(sync),
            (std::vector<std::string>{"-|-|0", "12000,H,27500|12000,H,27500|3", "11000,V,27500|-|1",
                                      "12500,V,22000|12500,V,22000|3"}));
  ASSERT_TRUE(sync.Delete(Row(kSyncEqual)));
  sync.Undo();
  EXPECT_EQ(Rows(sync)[1], "12000,H,27500|12000,H,27500|3");
  EXPECT_EQ(sync.Rows()[1].Action, kActionNone);
  sync.Revert();
  EXPECT_FALSE(sync.RevertEnabled());
  EXPECT_EQ(Rows(sync).front(), "-|10800,H,27500|2");
}

TEST_F(TActionFixture, ApplyTakesPendingCopiesAndDeletions) {
  ASSERT_TRUE(sync.Copy(Row(kSyncOnlyNew)));
  ASSERT_TRUE(sync.Delete(Row(kSyncOnlyCurrent)));
  sync.Apply(current);
  EXPECT_EQ(Texts(current),
            (std::vector<std::string>{"12000,H,27500", "11000,V,27500", "12500,V,27500"}));
}

TEST_F(TActionFixture, ReclassifyingSparesRowsWithPendingActions) {
  const int equal = Row(kSyncEqual);
  ASSERT_TRUE(sync.Delete(equal));
  sync.SetIgnoreFreqDiff(false);
  EXPECT_EQ(sync.Rows()[static_cast<std::size_t>(equal)].Action, kActionDelete);
  sync.SetMaxDiff(3); // rebuilt: the pending action is gone
  EXPECT_EQ(Row(kSyncChanged) >= 0, true);
  for (const TSyncRow &row : sync.Rows())
    EXPECT_EQ(row.Action, kActionNone);
}

TEST(TpSync, CopiedMarksAreCountedOnApply) {
  TSatTransponders newer = List("0192", {MakeTransponder(11778, 'V', 27500, true)});
  TSatTransponders current = List("0192", {MakeTransponder(12000, 'H', 27500, true)});
  ASSERT_EQ(current.MarkedCount(), 1);
  TTpSync sync(newer, current);
  EXPECT_EQ(sync.CopyAll(), 1);
  sync.Apply(current);
  EXPECT_EQ(current.Count(), 2);
  EXPECT_EQ(current.MarkedCount(), 2);
}

TEST(TpSync, ApplyNamesAnUnnamedListAndSortsInOrderZero) {
  const TSatTransponders newer = List("0192", {V(11000), H(12000)}, "  Astra 1KR ");
  TSatTransponders current = List("0192", {}, "");
  TTpSync sync(newer, current);
  sync.CopyAll();
  sync.Apply(current);
  EXPECT_EQ(current.Name, "Astra 1KR");
  EXPECT_EQ(Texts(current), (std::vector<std::string>{"12000,H,27500", "11000,V,27500"}));
  EXPECT_TRUE(current.Modified());
}

TEST(TpSync, SatIdQuestionAndHeaders) {
  const TSatTransponders a = List("0192", {}, " Astra "), b = List("0130", {}, "Hotbird");
  EXPECT_FALSE(SatIdQuestion(a, a));
  EXPECT_EQ(SatIdQuestion(a, b).value_or(""),
            "File contain wrong SatID [0192] <> [0130]\r\rContinue with synchronization ?");
  EXPECT_EQ(SyncHeader(a), "0192-Astra");
}

} // namespace
} // namespace qev::web
