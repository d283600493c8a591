#pragma once

#include <cstdint>

namespace qev::device {

// Time as the tuner and the DiSEqC sender see it. Their waits run on the user-interface thread
// and keep it alive, so waiting is a loop of pumping and short sleeps; tests give a clock that
// only moves when slept on.
class ITunerClock {
public:
  virtual ~ITunerClock() = default;
  virtual std::int64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
  // Runs the pending user-interface messages.
  virtual void Pump() = 0;
};

// The monotonic clock, real sleeps and the program's message pump.
ITunerClock &SystemTunerClock();

// Waits until totalMs have passed since startMs, pumping and sleeping 1 ms in between.
void WaitSince(ITunerClock &clock, std::int64_t startMs, std::int64_t totalMs);

} // namespace qev::device
