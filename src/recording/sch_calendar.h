#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qev::recording {

// A job's trigger: once at its start, or weekly on the ticked days at the start's time.
// Anything else found in a timer is kept as it stands.
enum TSchTriggerKind : int { kTriggerOnce = 0, kTriggerWeekly = 1, kTriggerOther = 2 };

// Weekly days, one bit each, Sunday first.
enum TSchDay : int {
  kSunday = 0x01,
  kMonday = 0x02,
  kTuesday = 0x04,
  kWednesday = 0x08,
  kThursday = 0x10,
  kFriday = 0x20,
  kSaturday = 0x40,
};
inline constexpr int kAllDays = 0x7F;

// The wall-clock fields of a local time counted in seconds since 1970.
struct TLocalFields {
  int Year = 1970, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
  int WeekDay = 4; // 0 Sunday
};
TLocalFields SplitLocal(std::int64_t localSeconds);
std::int64_t JoinLocal(int year, int month, int day, int hour, int minute, int second = 0);

// "2027-01-01T20:15" and back; nothing for text of another form or an impossible date.
std::string IsoMinute(std::int64_t localSeconds);
std::optional<std::int64_t> ParseIsoMinute(std::string_view text);

// "Fri, 2027-01-01 20:15:00", or "Never" for 0.
std::string JobTimeText(std::int64_t localSeconds);

// The OnCalendar= expression of a trigger in local time: "2027-01-01 20:15:00" once,
// "Mon,Wed *-*-* 20:15:00" weekly. Empty for a weekly trigger without a day, which systemd would
// run every day, and for other triggers.
std::string OnCalendarOf(int kind, int days, std::int64_t startLocal);

// When a timer of that trigger elapses next after now (local seconds); 0 for never.
std::int64_t NextRunOf(int kind, int days, std::int64_t startLocal, std::int64_t nowLocal);

// The trigger in words, for the status line: "At 20:15 on 2027-01-01", "At 20:15 every Mon,
// Wed"; other triggers show their expression.
std::string TriggerDescription(int kind, int days, std::int64_t startLocal,
                               const std::string &calendar);

} // namespace qev::recording
