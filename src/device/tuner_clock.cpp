#include "device/tuner_clock.h"

#include "frame/message_pump.h"

#include <chrono>
#include <thread>

namespace qev::device {

namespace {

class TSystemTunerClock final : public ITunerClock {
public:
  std::int64_t NowMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void SleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void Pump() override { frame::PumpMessages(); }
};

} // namespace

ITunerClock &SystemTunerClock() {
  static TSystemTunerClock clock;
  return clock;
}

void WaitSince(ITunerClock &clock, std::int64_t startMs, std::int64_t totalMs) {
  while (clock.NowMs() - startMs < totalMs) {
    clock.Pump();
    clock.SleepMs(1);
  }
}

} // namespace qev::device
