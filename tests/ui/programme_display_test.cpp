#include "ui/programme_display.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

constexpr std::int64_t kStart = 1'700'000'000 - 1'700'000'000 % 86400 + 20 * 3600; // 20:00 UTC

class ProgrammeDisplayTest : public ::testing::Test {
protected:
  // Local time one hour ahead of UTC, so clock texts do not depend on the machine.
  TProgrammeDisplay display{[](std::int64_t utc) { return utc + 3600; }};
  int lookups = 0;
  std::optional<TNowEvent> onAir;

  void UseGuide() {
    display.SetLookup([this](std::uint16_t tid, std::uint16_t sid) -> std::optional<TNowEvent> {
      ++lookups;
      if (tid != 1 || sid != 28006)
        return std::nullopt;
      return onAir;
    });
  }
};

TEST_F(ProgrammeDisplayTest, WithoutProgrammeDataTheTimePanelIsEmptyAndClickingStillCycles) {
  display.Show(1, 28006, kStart);
  EXPECT_EQ(display.EventText(), "");
  EXPECT_EQ(display.TimeText(), "");
  EXPECT_EQ(display.ProgressPosition(), 0);
  EXPECT_GT(display.ProgressMax(), 0);
  display.CycleMode();
  EXPECT_EQ(display.Mode(), 1);
  display.CycleMode();
  display.CycleMode();
  EXPECT_EQ(display.Mode(), 0);
  EXPECT_EQ(display.TimeText(), "");
}

TEST_F(ProgrammeDisplayTest, TimeTextsByMode) {
  onAir = TNowEvent{"News", kStart, 5400};
  UseGuide();
  display.Show(1, 28006, kStart + 3723);
  EXPECT_EQ(display.EventText(), " News");
  EXPECT_EQ(display.TimeText(), "21:00-22:30 ");
  EXPECT_EQ(display.ProgressMax(), 5400);
  EXPECT_EQ(display.ProgressPosition(), 3723);
  display.CycleMode();
  EXPECT_EQ(display.TimeText(), "E 01:02:03 ");
  display.CycleMode();
  EXPECT_EQ(display.TimeText(), "L 00:27:57 ");
  display.Tick(kStart + 3724);
  EXPECT_EQ(display.TimeText(), "L 00:27:56 ");
  EXPECT_EQ(display.ProgressPosition(), 3724);
  EXPECT_EQ(lookups, 1) << "a running event is refreshed without a new lookup";
}

TEST_F(ProgrammeDisplayTest, EventEndingLooksUpAgainAndAnEmptyResultClears) {
  onAir = TNowEvent{"News", kStart, 60};
  UseGuide();
  display.Show(1, 28006, kStart);
  display.Tick(kStart + 60); // the end itself still belongs to the event
  EXPECT_EQ(lookups, 1);
  onAir = TNowEvent{"Weather", kStart + 60, 300};
  display.Tick(kStart + 61);
  EXPECT_EQ(lookups, 2);
  EXPECT_EQ(display.EventText(), " Weather");
  EXPECT_EQ(display.TimeText(), "21:01-21:06 ");
  onAir.reset();
  display.Tick(kStart + 400);
  EXPECT_EQ(display.EventText(), "");
  EXPECT_EQ(display.TimeText(), "");
  EXPECT_EQ(display.ProgressPosition(), 0);
}

TEST_F(ProgrammeDisplayTest, ClearForgetsTheChannelUntilTheNextShow) {
  onAir = TNowEvent{"News", kStart, 60};
  UseGuide();
  display.Show(1, 28006, kStart);
  display.Clear();
  EXPECT_FALSE(display.HasEvent());
  display.Tick(kStart + 1);
  EXPECT_EQ(lookups, 1);
  EXPECT_EQ(display.EventText(), "");
}

TEST(DurationTextTest, HoursAreNotWrapped) {
  EXPECT_EQ(DurationText(0), "00:00:00");
  EXPECT_EQ(DurationText(25 * 3600 + 61), "25:01:01");
  EXPECT_EQ(ClockText(-60), "23:59");
}

} // namespace
} // namespace qev::ui
