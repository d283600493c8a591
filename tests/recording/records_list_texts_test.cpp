#include "recording/record_texts.h"
#include "recording/records_list_texts.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

using std::chrono::hours;
using std::chrono::seconds;

TEST(RecordsListTexts, DurationsKeepCountingPastADay) {
  EXPECT_EQ(RecDurationText(seconds(0)), "00:00:00");
  EXPECT_EQ(RecDurationText(seconds(3599)), "00:59:59");
  EXPECT_EQ(RecDurationText(hours(23) + seconds(59 * 60 + 59)), "23:59:59");
  // A clock would show 01:00:05 again here; a recording's elapsed time must not.
  EXPECT_EQ(RecDurationText(hours(25) + seconds(5)), "25:00:05");
  EXPECT_EQ(RecDurationText(hours(100)), "100:00:00");
  EXPECT_EQ(RecDurationText(seconds(-5)), "00:00:00");
}

TEST(RecordsListTexts, RemainingTimeOnlyWithALimit) {
  TRecordSlotView slot;
  slot.Elapsed = seconds(70);
  EXPECT_EQ(RecRemainingText(slot), "---");
  slot.Limits.StopAfterSeconds = 3600;
  EXPECT_EQ(RecRemainingText(slot), "00:58:50");
  slot.Limits.StopAfterSeconds = 30 * 3600;
  EXPECT_EQ(RecRemainingText(slot), "29:58:50");
  // The watch thread may not have ended it yet: no negative countdown.
  slot.Limits.StopAfterSeconds = 60;
  EXPECT_EQ(RecRemainingText(slot), "00:00:00");
}

TEST(RecordsListTexts, SizesAndPidColumns) {
  EXPECT_EQ(TotalSizeText(0), "0 Kb");
  EXPECT_EQ(TotalSizeText(1023), "0 Kb");
  EXPECT_EQ(TotalSizeText(5 * 1024 * 1024 + 100), "5120 Kb");
  EXPECT_EQ(TotalSizeText(std::int64_t{3} << 40), "3221225472 Kb");
  EXPECT_EQ(PidColumnText(0x1A), "001A");
  EXPECT_EQ(PidColumnText(0x2000), "2000");
  EXPECT_EQ(ModeColumnText(188), "BC");
  EXPECT_EQ(ModeColumnText(1), "01");
  EXPECT_EQ(ModeColumnText(0x13), "13");
}

TEST(RecordsListTexts, AStopTimeBecomesALimitFromTheStart) {
  const std::chrono::system_clock::time_point start{hours(480000)};
  const auto now = start + seconds(100);
  EXPECT_EQ(StopAfterSecondsFor(start, start + hours(2), now), 7200u);
  // Already past: the recording ends now, not at a moment it has left behind.
  EXPECT_EQ(StopAfterSecondsFor(start, start + seconds(10), now), 100u);
  EXPECT_EQ(StopAfterSecondsFor(start, start - hours(1), start), 0u);
  EXPECT_EQ(StopAfterSecondsFor(start, start + hours(24 * 365 * 200), now), 0xFFFFFFFFu);
}

} // namespace
} // namespace qev::recording
