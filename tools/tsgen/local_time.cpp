#include "local_time.h"

#include <ctime>
#include <memory>

namespace qev::tsgen {
namespace {

constexpr UtcSeconds kDay = 86400;
constexpr UtcSeconds kYear = 365 * kDay;

int ZoneMinutes(UtcSeconds t) {
  const std::time_t time = static_cast<std::time_t>(t);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) {
    return 0;
  }
  return static_cast<int>(local.tm_gmtoff / 60);
}

// The first second after `from` (within a year) at which the offset differs.
LocalOffset LookUp(UtcSeconds from) {
  const int now = ZoneMinutes(from);
  UtcSeconds low = from;
  for (UtcSeconds high = from + kDay; high <= from + kYear; low = high, high += kDay) {
    if (ZoneMinutes(high) == now) {
      continue;
    }
    while (high - low > 1) { // the change lies in (low, high]
      const UtcSeconds mid = low + (high - low) / 2;
      (ZoneMinutes(mid) == now ? low : high) = mid;
    }
    return {now, high, ZoneMinutes(high)};
  }
  return {now, from + kYear, now};
}

} // namespace

LocalOffsetRule FixedOffset(int minutes) {
  return [minutes](UtcSeconds now) { return LocalOffset{minutes, now + kYear, minutes}; };
}

LocalOffsetRule ZoneOffset() {
  auto cached = std::make_shared<LocalOffset>();
  auto valid = std::make_shared<bool>(false);
  return [cached, valid](UtcSeconds now) {
    if (!*valid || now >= cached->nextChange) {
      *cached = LookUp(now);
      *valid = true;
    }
    return *cached;
  };
}

} // namespace qev::tsgen
