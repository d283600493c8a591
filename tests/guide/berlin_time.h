#pragma once

#include "data/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace qev::guide::test {

// Runs a test in Berlin time, where daylight saving time starts and ends during the year.
class BerlinTime : public ::testing::Test {
protected:
  void SetUp() override {
    if (const char *tz = std::getenv("TZ"))
      saved_ = tz;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", saved_.c_str(), 1);
    tzset();
  }

  // Local wall-clock seconds of a civil date and time.
  static std::int64_t Local(int y, unsigned m, unsigned d, int hh = 0, int mm = 0) {
    using namespace std::chrono;
    const sys_days date{year{y} / month{m} / day{d}};
    return date.time_since_epoch().count() * 86400LL + hh * 3600LL + mm * 60LL;
  }
  static std::int64_t Utc(int y, unsigned m, unsigned d, int hh = 0, int mm = 0) {
    return Local(y, m, d, hh, mm); // the same arithmetic, read as UTC
  }
  // The UTC instant of a Berlin wall-clock time.
  static std::int64_t Berlin(int y, unsigned m, unsigned d, int hh = 0, int mm = 0) {
    return data::UtcFromLocal(Local(y, m, d, hh, mm));
  }

private:
  std::string saved_;
};

} // namespace qev::guide::test
