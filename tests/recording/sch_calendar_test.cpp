#include "recording/sch_calendar.h"

#include "data/date_time.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <regex>

namespace qev::recording {
namespace {

bool HaveSystemdAnalyze() { return std::system("command -v systemd-analyze >/dev/null 2>&1") == 0; }

// systemd's next elapse of the expression as "YYYY-MM-DD HH:MM", "never", or empty when it
// refused the expression.
std::string SystemdNextElapse(const std::string &calendar) {
  const std::string output =
      test::Capture("systemd-analyze calendar '" + calendar + "' 2>/dev/null");
  std::smatch match;
  if (std::regex_search(output, match,
                        std::regex(R"(Next elapse: \w+ (\d{4}-\d\d-\d\d \d\d:\d\d))")))
    return match[1];
  return output.find("Next elapse: never") != std::string::npos ? "never" : "";
}

std::string Minute(std::int64_t local) {
  if (local == 0)
    return "never";
  std::string iso = IsoMinute(local);
  iso[10] = ' ';
  return iso;
}

TEST(SchCalendar, WritesOnceAndWeeklyExpressionsInLocalTime) {
  const std::int64_t start = JoinLocal(2027, 1, 1, 20, 15);
  EXPECT_EQ(OnCalendarOf(kTriggerOnce, 0, start), "2027-01-01 20:15:00");
  EXPECT_EQ(OnCalendarOf(kTriggerWeekly, kMonday | kWednesday | kSunday, start),
            "Mon,Wed,Sun *-*-* 20:15:00");
  // systemd would run a weekly timer without a day every day.
  EXPECT_EQ(OnCalendarOf(kTriggerWeekly, 0, start), "");
  EXPECT_EQ(OnCalendarOf(kTriggerOther, kAllDays, start), "");
}

TEST(SchCalendar, ReadsAndWritesMinutes) {
  EXPECT_EQ(IsoMinute(JoinLocal(2027, 1, 1, 20, 15)), "2027-01-01T20:15");
  EXPECT_EQ(JobTimeText(JoinLocal(2027, 1, 1, 20, 15)), "Fri, 2027-01-01 20:15:00");
  EXPECT_EQ(JobTimeText(0), "Never");
  EXPECT_EQ(ParseIsoMinute("2027-01-01T20:15"), JoinLocal(2027, 1, 1, 20, 15));
  for (const char *bad :
       {"2027-02-30T10:00", "2027-01-01 20:15", "2027-01-01T24:00", "", "2027-01-01T20:15x"})
    EXPECT_FALSE(ParseIsoMinute(bad)) << bad;
}

TEST(SchCalendar, NextRunOfOnceAndWeeklyTriggers) {
  const std::int64_t now = JoinLocal(2026, 12, 10, 5, 0); // a Thursday
  const std::int64_t start = JoinLocal(2026, 1, 5, 20, 15);
  EXPECT_EQ(NextRunOf(kTriggerOnce, 0, JoinLocal(2026, 12, 10, 6, 0), now),
            JoinLocal(2026, 12, 10, 6, 0));
  EXPECT_EQ(NextRunOf(kTriggerOnce, 0, JoinLocal(2026, 12, 10, 5, 0), now), 0);
  EXPECT_EQ(NextRunOf(kTriggerWeekly, kThursday, start, now), JoinLocal(2026, 12, 10, 20, 15));
  EXPECT_EQ(NextRunOf(kTriggerWeekly, kMonday, start, now), JoinLocal(2026, 12, 14, 20, 15));
  EXPECT_EQ(NextRunOf(kTriggerWeekly, kThursday, JoinLocal(2026, 1, 1, 4, 0), now),
            JoinLocal(2026, 12, 17, 4, 0));
  EXPECT_EQ(NextRunOf(kTriggerWeekly, 0, start, now), 0);
  EXPECT_EQ(TriggerDescription(kTriggerWeekly, kMonday | kSunday, start, ""),
            "At 20:15 every Mon, Sun");
  EXPECT_EQ(TriggerDescription(kTriggerOnce, 0, start, ""), "At 20:15 on 2026-01-05");
  EXPECT_EQ(TriggerDescription(kTriggerOther, 0, start, "hourly"), "OnCalendar=hourly");
}

TEST(SchCalendar, SystemdAgreesOnTheExpressionAndTheNextRun) {
  if (!HaveSystemdAnalyze())
    GTEST_SKIP() << "systemd-analyze is not installed";
  const std::int64_t now = data::UtcToLocal(data::NowUtc());
  const TLocalFields today = SplitLocal(now);
  const std::int64_t inAYear = JoinLocal(today.Year + 1, today.Month, 1, 20, 15);
  const std::int64_t lastYear = JoinLocal(today.Year - 1, today.Month, 1, 20, 15);
  struct TCase {
    int kind, days;
    std::int64_t start;
  };
  for (const TCase &c : {TCase{kTriggerOnce, 0, inAYear}, TCase{kTriggerOnce, 0, lastYear},
                         TCase{kTriggerWeekly, kMonday | kFriday, lastYear},
                         TCase{kTriggerWeekly, kAllDays, JoinLocal(2020, 1, 1, 23, 59)},
                         TCase{kTriggerWeekly, kSaturday | kSunday, JoinLocal(2020, 1, 1, 0, 0)}}) {
    const std::string calendar = OnCalendarOf(c.kind, c.days, c.start);
    const std::string ours = Minute(NextRunOf(c.kind, c.days, c.start, now));
    EXPECT_EQ(SystemdNextElapse(calendar), ours) << calendar;
  }
}

} // namespace
} // namespace qev::recording
