// Adding, editing, deleting and selecting transponders, and the coverage lookups.
#include "data/tp_editing.h"
#include "data/tp_files.h"
#include "temp_root.h"

#include <gtest/gtest.h>

using namespace qev::data;

namespace {

TSatTransponders Five() {
  TSatTransponders list;
  for (const char *text :
       {"11778,V,27500", "10744,H,22000", "12515,H,22000", "11953,H,27500", "12188,V,27500"})
    list.TpAdd(*ParseTpText(text));
  list.TpSort(kTpOrderFreq);
  return list;
}

std::vector<std::string> Texts(const TSatTransponders &list, bool markedOnly = false) {
  std::vector<std::string> texts;
  for (const TTransponder &tp : list.Items())
    if (!markedOnly || tp.TpMarked)
      texts.push_back(TpText(tp));
  return texts;
}

} // namespace

TEST(TransponderDialog, AddRefusesDuplicatesInAnyOrderAndKeepsFrequencyOrder) {
  EXPECT_FALSE(TpDialogOk(0, 27500));
  EXPECT_FALSE(TpDialogOk(11778, 0));
  EXPECT_TRUE(TpDialogOk(11778, 27500));
  TSatTransponders list = Five();
  list.TpSort(kTpOrderSRate);
  EXPECT_FALSE(TpAddUnique(list, MakeTransponder(11778, 'V', 27500)));
  EXPECT_EQ(list.Count(), 5);
  EXPECT_FALSE(TpAddUnique(list, MakeTransponder(11000, 0, 27500)));
  EXPECT_TRUE(TpAddUnique(list, MakeTransponder(11000, 'H', 27500)));
  EXPECT_EQ(Texts(list)[1], "11000,H,27500");
  EXPECT_TRUE(list.Modified());
}

TEST(TransponderDialog, EditKeepsTheMarkAndRefusesToBecomeAnotherEntry) {
  TSatTransponders list = Five();
  list.TpSetMarked(0, true);
  EXPECT_FALSE(TpEditUnique(list, 0, MakeTransponder(11778, 'V', 27500)));
  EXPECT_FALSE(TpEditUnique(list, 9, MakeTransponder(11000, 'V', 27500)));
  EXPECT_TRUE(TpEditUnique(list, 0, MakeTransponder(12600, 'V', 27500)));
  EXPECT_EQ(Texts(list, true), std::vector<std::string>{"12600,V,27500"});
  EXPECT_EQ(list.MarkedCount(), 1);
  // Saving the entry unchanged is no duplicate of itself.
  EXPECT_TRUE(TpEditUnique(list, 0, list.TpGet(0)));
}

TEST(TransponderDialog, DeleteQuestions) {
  EXPECT_EQ(TpDeleteQuestion(MakeTransponder(11778, 'V', 27500)),
            "Delete transponder: 11778,V,27500 ?");
  EXPECT_EQ(TpDeleteMarkedQuestion(2), "Delete 2 selected transponders ?");
}

TEST(TransponderSelection, RulesMarkEveryEntry) {
  TSatTransponders list = Five();
  const std::vector<TTransponder> blind{MakeTransponder(12515, 'H', 22000)};
  TpSelect(list, TpSelectRule::All, blind, {});
  EXPECT_EQ(list.MarkedCount(), 5);
  TpSelect(list, TpSelectRule::NotBlind, blind, {});
  EXPECT_EQ(list.MarkedCount(), 4);
  TpSelect(list, TpSelectRule::Invert, blind, {});
  EXPECT_EQ(Texts(list, true), std::vector<std::string>{"12515,H,22000"});
  TpSelect(list, TpSelectRule::Blind, blind, {});
  EXPECT_EQ(Texts(list, true), std::vector<std::string>{"12515,H,22000"});
  TpSelect(list, TpSelectRule::Warned, blind, {"10744,H,22000", "12188,V,27500"});
  EXPECT_EQ(Texts(list, true), (std::vector<std::string>{"10744,H,22000", "12188,V,27500"}));
  TpSelect(list, TpSelectRule::None, blind, {});
  EXPECT_EQ(list.MarkedCount(), 0);
}

TEST(TransponderSelection, CriteriaAreInclusiveRangesAndSwitches) {
  TSatTransponders list = Five();
  const std::vector<TTransponder> blind{MakeTransponder(12515, 'H', 22000)};
  TTpCriteria criteria;
  TpSelectBy(list, criteria, blind);
  EXPECT_EQ(list.MarkedCount(), 5);
  criteria.FreqFrom = 11700;
  criteria.FreqTo = 12188;
  TpSelectBy(list, criteria, blind);
  EXPECT_EQ(Texts(list, true),
            (std::vector<std::string>{"11778,V,27500", "11953,H,27500", "12188,V,27500"}));
  criteria.Vertical = false;
  TpSelectBy(list, criteria, blind);
  EXPECT_EQ(Texts(list, true), std::vector<std::string>{"11953,H,27500"});
  criteria = {};
  criteria.SRateFrom = criteria.SRateTo = 22000;
  criteria.NotInBlind = false;
  TpSelectBy(list, criteria, blind);
  EXPECT_EQ(Texts(list, true), std::vector<std::string>{"12515,H,22000"});
}

class CoverageFiles : public qev::test::TempRoot {};

TEST_F(CoverageFiles, LinesAreReadOncePerSatellite) {
  EXPECT_EQ(NoCoverageText(11778, 'V'), "Can`t find coverage detail for : 11778,V");
  EXPECT_EQ(NoCoverageImageText("/x/Images/Europe.jpg"),
            "Can`t find coverage image.\r\r/x/Images/Europe.jpg");
  TCoverageCache cache;
  const std::vector<std::string> *lines = nullptr;
  std::string error;
  const auto file = root / "0192.cvr";
  EXPECT_FALSE(cache.Lines(file, lines, error));
  EXPECT_EQ(error, "Cannot load coverage list.\r\r" + file.string());
  WriteFile(file, "11778,V=Europe\n12515,H=Spot_1\n");
  ASSERT_TRUE(cache.Lines(file, lines, error));
  EXPECT_EQ(CoverageBeam(*lines, 11780, 'V'), "Europe");
  EXPECT_EQ(CoverageBeam(*lines, 11781, 'V'), "");
  // Kept: a change of the file is not seen until another satellite's file was asked for.
  WriteFile(file, "11778,V=Other\n");
  ASSERT_TRUE(cache.Lines(file, lines, error));
  EXPECT_EQ(CoverageBeam(*lines, 11778, 'V'), "Europe");
}
