#pragma once

#include <cstdint>

namespace qev::frame {

inline constexpr int kStopwatchSlots = 256;

// Counter ticks per second of StopwatchNow (nanoseconds of the monotonic clock).
std::int64_t StopwatchFrequency();
std::int64_t StopwatchNow();
// Stores StopwatchNow in the slot (0..255; others are ignored).
void StopwatchMark(int slot);
// The value stored in the slot; 0 before the first mark and for slots out of range.
std::int64_t StopwatchValue(int slot);
// Whole milliseconds since the counter value start, truncated.
std::int64_t ElapsedMs(std::int64_t start);

} // namespace qev::frame
