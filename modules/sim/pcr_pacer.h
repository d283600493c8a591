#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace qev::sim {

// The PCR of a transport packet in 27 MHz ticks, when the packet carries one.
std::optional<std::uint64_t> ReadPcr(const std::uint8_t *packet);

// Maps the PCRs of one reference PID onto the wall clock, so that each packet carrying a PCR
// leaves when its PCR says. A jump back (the file starts again) or forward by more than a
// second starts a new anchor one PCR interval after the last one; so does falling more than a
// second behind, rather than sending a burst to catch up.
class PcrPacer {
public:
  using Clock = std::chrono::steady_clock;

  void Reset() { anchor_.reset(); }
  Clock::time_point Due(std::uint64_t pcr27, Clock::time_point now);

private:
  struct Anchor {
    Clock::time_point wall;
    std::uint64_t pcr27;
  };
  Clock::time_point At(std::uint64_t pcr27) const;

  std::optional<Anchor> anchor_;
  std::uint64_t lastPcr27_ = 0;
  Clock::time_point lastDue_;
  Clock::duration lastInterval_{};
};

} // namespace qev::sim
