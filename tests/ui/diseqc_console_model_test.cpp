#include "ui/diseqc_console_model.h"

#include "support/scripted_presenter.h"
#include "ui/sat_ui_fixture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::ui::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DiseqcConsoleModelTest : public ::testing::Test, protected SatUiFixture {
protected:
  qev::test::ScriptedPresenter presenter;
  TDiseqcConsoleModel model{sender, options.DiseqC};
};

TEST_F(DiseqcConsoleModelTest, StepCountsOutside1To128AreOneStep) {
  EXPECT_EQ(StepCount("1"), 1);
  EXPECT_EQ(StepCount(" 128 "), 128);
  EXPECT_EQ(StepCount("129"), 1);
  EXPECT_EQ(StepCount("0"), 1);
  EXPECT_EQ(StepCount("-5"), 1);
  EXPECT_EQ(StepCount("12a"), 1);
  EXPECT_EQ(StepCount(""), 1);
}

TEST_F(DiseqcConsoleModelTest, MotionAndLimitCommandsGoToThePositionerAddressOnce) {
  options.DiseqC.DiseqPOSAdr = 0x32;
  model.Step(true, "3");
  model.Step(false, "500");
  model.Drive(true);
  model.Drive(false);
  model.Stop();
  model.SetLimit(true);
  model.SetLimit(false);
  model.DisableLimits();
  model.EnableLimits();
  EXPECT_THAT(Sent(), ElementsAre("E0 32 68 FD", "E0 32 69 FF", "E0 32 68 0A", "E0 32 69 0A",
                                  "E0 32 60", "E0 32 66", "E0 32 67", "E0 32 63", "E0 32 6A 00"));
  // Each went out with the bus time of its length and into the DiSEqC log.
  EXPECT_EQ(clock.now - 1000, 4 * 94 + 80 * 4 + 94);
  EXPECT_THAT(diseqcLog.Lines(), ::testing::Contains("E0 32 60 "));
}

TEST_F(DiseqcConsoleModelTest, StoredPositionsAreMovedToAndSavedOnlyAfterYes) {
  EXPECT_FALSE(model.GotoStored(7));
  EXPECT_FALSE(model.StorePosition(7));
  EXPECT_THAT(presenter.Texts(), ElementsAre("Move dish to [ 7 ] ?", "Save SAT position [ 7 ] ?"));
  EXPECT_THAT(Sent(), IsEmpty());
  presenter.AnswerNext(true);
  presenter.AnswerNext(true);
  EXPECT_TRUE(model.GotoStored(7));
  EXPECT_TRUE(model.StorePosition(255));
  EXPECT_THAT(Sent(), ElementsAre("E0 31 6B 07", "E0 31 6A FF"));
  // Storing 0 would enable the limits instead: not asked, not sent.
  presenter.shown.clear();
  EXPECT_FALSE(model.StorePosition(0));
  EXPECT_FALSE(model.GotoStored(256));
  EXPECT_THAT(presenter.Texts(), IsEmpty());
}

TEST_F(DiseqcConsoleModelTest, GotoAngleUsesTheChosenEncoding) {
  options.DiseqC.AdjustGotoX = false;
  model.GotoAngle({10.5, false}, device::kUsalsGeneric);
  model.GotoAngle({10.5, true}, device::kUsalsGeneric);
  model.GotoAngle({10.5, true}, device::kUsalsStabHH);
  model.GotoAngle({10.5, true}, device::kUsalsSG2100);
  EXPECT_THAT(Sent(),
              ElementsAre("E0 31 6E FF 58", "E0 31 6E 00 A8", "E0 31 6E D0 A8", "E0 31 6E 00 A8"));
  EXPECT_STREQ(kUsalsVariantNames[device::kUsalsStabHH], "USALS STAB HH");
}

TEST_F(DiseqcConsoleModelTest, RawTextIsSentOnlyWhenComplete) {
  EXPECT_TRUE(model.SendRaw("E1 31-6B,05"));
  EXPECT_FALSE(model.SendRaw("E0 3"));
  EXPECT_FALSE(model.SendRaw("e0 31"));
  EXPECT_FALSE(model.SendRaw(" "));
  EXPECT_TRUE(model.SendRaw("E0 31 00 01 02 03 04 05 06 07"));
  // The first byte is always the framing byte; more than eight bytes are cut.
  EXPECT_THAT(Sent(), ElementsAre("E0 31 6B 05", "E0 31 00 01 02 03 04 05"));
}

TEST_F(DiseqcConsoleModelTest, MotorAngleHintIsNegativeForWest) {
  options.DiseqC.RxLongitude = 10;
  options.DiseqC.RxLatitude = 50;
  options.DiseqC.AdjustGotoX = false; // the hint shows what adjusting would give all the same
  const TMotorAngleHint east = MotorAngleHint({19.2, false}, options.DiseqC);
  const TMotorAngleHint west = MotorAngleHint({5.0, true}, options.DiseqC);
  const TMotorAngleHint here = MotorAngleHint({10.0, false}, options.DiseqC);
  EXPECT_FALSE(east.West);
  EXPECT_EQ(east.Text, fmt::format("{:.1f}", device::MotorAngle(19.2, 10, 50)));
  EXPECT_TRUE(west.West);
  EXPECT_EQ(west.Text, fmt::format("{:.1f}", device::MotorAngle(-5, 10, 50)));
  EXPECT_EQ(west.Text.front(), '-');
  EXPECT_EQ(here.Text, "0.0");
  EXPECT_FALSE(here.West);
}

} // namespace
} // namespace qev::ui::test
