#pragma once

#include <cstdint>

namespace qev::data {

// A date-time counts days since 1899-12-30 (local time); Unix time counts seconds since
// 1970-01-01, which is day 25569.
inline constexpr double kUnixEpochDay = 25569.0;

// Whole seconds between two date-times, rounded to the millisecond before truncating, so that
// one second stored as a fraction of a day reads as one second.
std::int64_t SecondsBetween(double a, double b);
double AddMinutes(double n, double t);
double AddSeconds(double n, double t);
std::int64_t DateTimeToUnix(double t);
double UnixToDateTime(std::int64_t s);
// Convert with the offset valid at that instant, so daylight saving time is right all year.
std::int64_t UtcToLocal(std::int64_t utcSeconds);
std::int64_t UtcFromLocal(std::int64_t localSeconds);
std::int64_t NowUtc();
double NowLocal();

} // namespace qev::data
