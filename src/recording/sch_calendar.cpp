#include "recording/sch_calendar.h"

#include <fmt/format.h>

#include <array>
#include <cstdio>
#include <ctime>

namespace qev::recording {

namespace {

constexpr std::array<const char *, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::int64_t kDaySeconds = 86400;

// The days in systemd's order, Monday first, joined by the separator.
std::string DayList(int days, const char *separator) {
  std::string list;
  for (int i = 1; i <= 7; ++i) {
    const int day = i % 7;
    if (!(days & (1 << day)))
      continue;
    if (!list.empty())
      list += separator;
    list += kDayNames[static_cast<std::size_t>(day)];
  }
  return list;
}

} // namespace

TLocalFields SplitLocal(std::int64_t localSeconds) {
  const auto t = static_cast<std::time_t>(localSeconds);
  std::tm wall{};
  gmtime_r(&t, &wall);
  return {wall.tm_year + 1900, wall.tm_mon + 1, wall.tm_mday, wall.tm_hour,
          wall.tm_min,         wall.tm_sec,     wall.tm_wday};
}

std::int64_t JoinLocal(int year, int month, int day, int hour, int minute, int second) {
  std::tm wall{};
  wall.tm_year = year - 1900;
  wall.tm_mon = month - 1;
  wall.tm_mday = day;
  wall.tm_hour = hour;
  wall.tm_min = minute;
  wall.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&wall));
}

std::string IsoMinute(std::int64_t localSeconds) {
  const TLocalFields f = SplitLocal(localSeconds);
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}", f.Year, f.Month, f.Day, f.Hour, f.Minute);
}

std::optional<std::int64_t> ParseIsoMinute(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, used = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &year, &month, &day, &hour, &minute,
                  &used) != 5 ||
      used != static_cast<int>(copy.size()))
    return std::nullopt;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
    return std::nullopt;
  const std::int64_t joined = JoinLocal(year, month, day, hour, minute);
  if (SplitLocal(joined).Day != day) // 31 April and the like
    return std::nullopt;
  return joined;
}

std::string JobTimeText(std::int64_t localSeconds) {
  if (localSeconds == 0)
    return "Never";
  const TLocalFields f = SplitLocal(localSeconds);
  return fmt::format("{}, {:04}-{:02}-{:02} {:02}:{:02}:{:02}",
                     kDayNames[static_cast<std::size_t>(f.WeekDay)], f.Year, f.Month, f.Day, f.Hour,
                     f.Minute, f.Second);
}

std::string OnCalendarOf(int kind, int days, std::int64_t startLocal) {
  const TLocalFields f = SplitLocal(startLocal);
  if (kind == kTriggerOnce)
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:00", f.Year, f.Month, f.Day, f.Hour,
                       f.Minute);
  if (kind == kTriggerWeekly && (days & kAllDays))
    return fmt::format("{} *-*-* {:02}:{:02}:00", DayList(days, ","), f.Hour, f.Minute);
  return {};
}

std::int64_t NextRunOf(int kind, int days, std::int64_t startLocal, std::int64_t nowLocal) {
  if (kind == kTriggerOnce)
    return startLocal > nowLocal ? startLocal - startLocal % 60 : 0;
  if (kind != kTriggerWeekly || !(days & kAllDays))
    return 0;
  const TLocalFields start = SplitLocal(startLocal);
  const std::int64_t timeOfDay = start.Hour * 3600 + start.Minute * 60;
  const std::int64_t today = nowLocal - ((nowLocal % kDaySeconds) + kDaySeconds) % kDaySeconds;
  for (int ahead = 0; ahead <= 7; ++ahead) {
    const std::int64_t candidate = today + ahead * kDaySeconds + timeOfDay;
    if (candidate > nowLocal && (days & (1 << SplitLocal(candidate).WeekDay)))
      return candidate;
  }
  return 0;
}

std::string TriggerDescription(int kind, int days, std::int64_t startLocal,
                               const std::string &calendar) {
  const TLocalFields f = SplitLocal(startLocal);
  if (kind == kTriggerOnce)
    return fmt::format("At {:02}:{:02} on {:04}-{:02}-{:02}", f.Hour, f.Minute, f.Year, f.Month,
                       f.Day);
  if (kind == kTriggerWeekly) {
    if (!(days & kAllDays))
      return "Weekly without a day: never runs";
    return fmt::format("At {:02}:{:02} every {}", f.Hour, f.Minute, DayList(days, ", "));
  }
  return calendar.empty() ? std::string("No trigger") : "OnCalendar=" + calendar;
}

} // namespace qev::recording
