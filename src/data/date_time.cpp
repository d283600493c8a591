#include "data/date_time.h"

#include <cmath>
#include <ctime>

namespace qev::data {

std::int64_t SecondsBetween(double a, double b) {
  const double ms = std::round(std::fabs(b - a) * 86400000.0);
  return static_cast<std::int64_t>(ms / 1000.0);
}

double AddMinutes(double n, double t) { return (t * 1440 + n) / 1440; }
double AddSeconds(double n, double t) { return (t * 86400 + n) / 86400; }

std::int64_t DateTimeToUnix(double t) {
  return static_cast<std::int64_t>(std::nearbyint((t - kUnixEpochDay) * 86400));
}

double UnixToDateTime(std::int64_t s) { return static_cast<double>(s) / 86400 + kUnixEpochDay; }

std::int64_t UtcToLocal(std::int64_t utcSeconds) {
  const std::time_t t = static_cast<std::time_t>(utcSeconds);
  std::tm local{};
  localtime_r(&t, &local);
  return utcSeconds + local.tm_gmtoff;
}

std::int64_t UtcFromLocal(std::int64_t localSeconds) {
  const std::time_t t = static_cast<std::time_t>(localSeconds);
  std::tm wall{};
  gmtime_r(&t, &wall); // the local wall-clock fields
  wall.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&wall));
}

std::int64_t NowUtc() { return static_cast<std::int64_t>(std::time(nullptr)); }

double NowLocal() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const double local = static_cast<double>(UtcToLocal(now.tv_sec)) + now.tv_nsec / 1e9;
  return local / 86400 + kUnixEpochDay;
}

} // namespace qev::data
