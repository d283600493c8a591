#include "frame/stopwatch.h"

#include <array>
#include <atomic>
#include <chrono>

namespace qev::frame {

namespace {
using Clock = std::chrono::steady_clock;
std::array<std::atomic<std::int64_t>, kStopwatchSlots> slots{};

bool ValidSlot(int slot) { return slot >= 0 && slot < kStopwatchSlots; }
} // namespace

std::int64_t StopwatchFrequency() { return 1'000'000'000; }

std::int64_t StopwatchNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

void StopwatchMark(int slot) {
  if (ValidSlot(slot))
    slots[slot].store(StopwatchNow());
}

std::int64_t StopwatchValue(int slot) { return ValidSlot(slot) ? slots[slot].load() : 0; }

std::int64_t ElapsedMs(std::int64_t start) {
  // Divides rather than multiplies by 1000 first, which overflows after about 106 days.
  return (StopwatchNow() - start) / (StopwatchFrequency() / 1000);
}

} // namespace qev::frame
