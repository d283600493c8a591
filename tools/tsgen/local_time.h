#pragma once

#include <functional>

#include "dvb_time.h"

namespace qev::tsgen {

// The local time offset the TOT announces: the one in force and the next change.
struct LocalOffset {
  int minutes = 0;
  UtcSeconds nextChange = 0;
  int nextMinutes = 0;
};

// Where the offset comes from at a given time.
using LocalOffsetRule = std::function<LocalOffset(UtcSeconds now)>;

// A fixed offset that never changes (announced as changing to itself in a year).
LocalOffsetRule FixedOffset(int minutes);

// The process's time zone (TZ): the offset in force and the next change within a year. The
// change is looked up once and kept until it has passed.
LocalOffsetRule ZoneOffset();

} // namespace qev::tsgen
