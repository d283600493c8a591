#include "ui/sat_list_rows.h"

#include "device/engine_fakes.h"
#include "support/scripted_presenter.h"
#include "ui/sat_ui_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::ui::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SatListRowsTest : public ::testing::Test, protected SatUiFixture {
protected:
  void AddSat(int index, int position, const std::string &name, int dish = 0, bool active = true) {
    ASSERT_TRUE(root.sats.SatAdd(Sat(index, position, name, active, dish)));
    root.lists.ListsSync();
  }
  int RowOf(int satIndex) const {
    for (int row = 0; row < root.sats.Count(); ++row)
      if (root.sats.At(row).SatIdx == satIndex)
        return row;
    return -1;
  }

  qev::test::ScriptedPresenter presenter;
  TSatListCommands commands{context};
};

TEST_F(SatListRowsTest, RowsShowIndexDishPositionAndNameInListOrder) {
  AddSat(7, 192, "Astra", 0);
  AddSat(12, 3592, "Thor", 2, false);
  AddSat(100, 130, "Hotbird", 0);
  data::TSatRec astra{};
  ASSERT_TRUE(root.sats.SatGet(7, astra));
  loaded.Load(astra);

  const std::vector<TSatRow> rows = SatRows(root.sats, loaded.Index());
  ASSERT_EQ(rows.size(), 3u);
  // Fixed dishes first, then by position.
  EXPECT_EQ(rows[0].Index, "100");
  EXPECT_EQ(rows[0].Dish, "Fix");
  EXPECT_EQ(rows[0].Position, "13.0E");
  EXPECT_FALSE(rows[0].Loaded);
  EXPECT_EQ(rows[1].Index, "007");
  EXPECT_EQ(rows[1].Name, "Astra");
  EXPECT_TRUE(rows[1].Loaded);
  EXPECT_TRUE(rows[1].Active);
  EXPECT_EQ(rows[2].Index, "012");
  EXPECT_EQ(rows[2].Dish, "M 2");
  EXPECT_EQ(rows[2].Position, "0.8W");
  EXPECT_FALSE(rows[2].Active);
  // Nothing loaded marks no row, not the satellite with index 0.
  for (const TSatRow &row : SatRows(root.sats, 0))
    EXPECT_FALSE(row.Loaded);
}

TEST_F(SatListRowsTest, ButtonsWithoutASelectedRowAskForOne) {
  AddSat(1, 192, "Astra");
  context.Subsystems.EditSatellite = [](data::TSatRec &, bool) { return true; };
  context.Subsystems.ScanSatellite = [](int) { FAIL() << "scanned without a satellite"; };
  commands.Modify(std::nullopt);
  commands.Delete(std::nullopt);
  commands.Scan(std::nullopt);
  commands.Delete(5); // a row that is no longer there
  EXPECT_THAT(presenter.Texts(),
              ElementsAre(kSelectOneSat, kSelectOneSat, kSelectOneSat, kSelectOneSat));
  EXPECT_EQ(root.sats.Count(), 1);
}

TEST_F(SatListRowsTest, DeleteAsksWithTheNameAndDeletesOnlyOnYes) {
  AddSat(1, 192, "Astra");
  AddSat(2, 130, "Hotbird");
  commands.Delete(RowOf(1));
  EXPECT_THAT(presenter.Texts(), ElementsAre("Delete : Astra ?"));
  EXPECT_EQ(root.sats.Count(), 2);
  presenter.AnswerNext(true);
  commands.Delete(RowOf(1));
  EXPECT_EQ(root.sats.Count(), 1);
  EXPECT_EQ(root.sats.At(0).SatIdx, 2);
}

TEST_F(SatListRowsTest, AddOpensTheEditorWithTheNextIndexAndRefusesAFullList) {
  AddSat(4, 192, "Astra");
  int editedIndex = 0;
  bool addMode = false;
  context.Subsystems.EditSatellite = [&](data::TSatRec &rec, bool add) {
    editedIndex = rec.SatIdx;
    addMode = add;
    rec.SatPos = 282;
    data::SetSatName(rec, "Eurobird");
    return true;
  };
  commands.Add();
  EXPECT_EQ(editedIndex, 5);
  EXPECT_TRUE(addMode);
  data::TSatRec added{};
  ASSERT_TRUE(root.sats.SatGet(5, added));
  EXPECT_EQ(data::SatName(added), "Eurobird");
  EXPECT_THAT(presenter.Texts(), IsEmpty());

  // An editor that puts the new satellite on a taken position is told so, not ignored.
  context.Subsystems.EditSatellite = [](data::TSatRec &rec, bool) {
    rec.SatPos = 192;
    return true;
  };
  commands.Add();
  EXPECT_EQ(root.sats.Count(), 2);
  ASSERT_EQ(presenter.Texts().size(), 1u);
  EXPECT_EQ(presenter.Texts()[0], "Another satellite already has the position 19.2E");

  for (int index = 1; index <= data::kMaxSatellites; ++index) {
    data::TSatRec sat{};
    if (root.sats.SatGet(index, sat))
      continue;
    sat.SatIdx = static_cast<std::uint8_t>(index);
    sat.SatPos = static_cast<std::uint16_t>(1000 + index);
    ASSERT_TRUE(root.sats.SatAdd(sat, false));
  }
  ASSERT_EQ(root.sats.Count(), data::kMaxSatellites);
  presenter.shown.clear();
  editedIndex = 0;
  commands.Add();
  EXPECT_THAT(presenter.Texts(), ElementsAre(kNoMoreSatSpace));
  EXPECT_EQ(editedIndex, 0);
}

TEST_F(SatListRowsTest, ButtonsWithoutTheirSubsystemDoNothing) {
  AddSat(1, 192, "Astra");
  EXPECT_FALSE(commands.CanEdit());
  EXPECT_FALSE(commands.CanScan());
  commands.Add();
  commands.Modify(0);
  commands.Scan(0);
  EXPECT_THAT(presenter.Texts(), IsEmpty());
}

TEST_F(SatListRowsTest, ScanAndModifyTakeTheSelectedSatellite) {
  AddSat(1, 192, "Astra");
  AddSat(2, 130, "Hotbird");
  int scanned = 0;
  context.Subsystems.ScanSatellite = [&](int satIndex) { scanned = satIndex; };
  context.Subsystems.EditSatellite = [](data::TSatRec &rec, bool add) {
    EXPECT_FALSE(add);
    data::SetSatName(rec, "Hot Bird");
    return true;
  };
  commands.Scan(RowOf(1));
  EXPECT_EQ(scanned, 1);
  commands.Modify(RowOf(2));
  data::TSatRec rec{};
  ASSERT_TRUE(root.sats.SatGet(2, rec));
  EXPECT_EQ(data::SatName(rec), "Hot Bird");
}

TEST_F(SatListRowsTest, ModifyingTheLoadedSatelliteRefreshesTheTunersCopy) {
  AddSat(1, 192, "Astra");
  AddSat(2, 130, "Hotbird");
  data::TSatRec astra{};
  ASSERT_TRUE(root.sats.SatGet(1, astra));
  loaded.Load(astra);
  context.Subsystems.EditSatellite = [](data::TSatRec &rec, bool) {
    rec.LofLow = 10750000;
    rec.Sw2.SwType = 1;
    rec.Sw2.SwPort = 2;
    return true;
  };
  commands.Modify(RowOf(1));
  EXPECT_EQ(loaded.Rec().LofLow, 10750000);
  EXPECT_EQ(loaded.Rec().Sw2.SwPort, 2);
  EXPECT_TRUE(loaded.TakeEdited());
  // Editing another satellite leaves the loaded copy alone.
  commands.Modify(RowOf(2));
  EXPECT_EQ(loaded.Index(), 1);
  EXPECT_FALSE(loaded.TakeEdited());
}

TEST_F(SatListRowsTest, ActivatingAMobileSatelliteDeactivatesItsGroupWhenAsked) {
  AddSat(1, 192, "Astra", 0);
  AddSat(2, 130, "Hotbird", 2);
  AddSat(3, 282, "Eurobird", 2, false);
  options.General.OneSatMobDish = true;
  commands.SetActive(RowOf(3), true);
  EXPECT_EQ(root.sats.At(RowOf(3)).SatActive, 1);
  EXPECT_EQ(root.sats.At(RowOf(2)).SatActive, 0);
  EXPECT_EQ(root.sats.At(RowOf(1)).SatActive, 1);
  commands.SetActive(RowOf(1), false);
  EXPECT_EQ(root.sats.At(RowOf(1)).SatActive, 0);
}

TEST_F(SatListRowsTest, DoubleClickActivatesAndSwitchesToTheLastChannelOfTheSatellite) {
  AddSat(1, 192, "Astra");
  AddSat(2, 130, "Hotbird");
  const std::int32_t astra =
      root.AddChannel(1, device::test::Channel(11000000, 'H', 27500, 10, "One"));
  const std::int32_t hotbird =
      root.AddChannel(2, device::test::Channel(11200000, 'V', 27500, 20, "Two"));
  commands.SetActive(RowOf(2), false);
  ASSERT_EQ(root.lists.ListOf(2), nullptr);
  device::test::HubRecorder recorder(hub, journal);

  // No channel remembered: the satellite is only activated.
  commands.Activate(RowOf(2));
  EXPECT_EQ(root.sats.At(RowOf(2)).SatActive, 1);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, 0);

  last.Set(2, hotbird);
  last.Set(1, astra);
  commands.Activate(RowOf(2));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, hotbird);
  EXPECT_EQ(engine.Slot(0).SelectedHandle, hotbird);
  EXPECT_TRUE(journal.Has("Notify 6 0 0"));
}

} // namespace
} // namespace qev::ui::test
