#pragma once

#include "devapi/qev_devapi.h"
#include "diseqc_state.h"
#include "sky_config.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>

namespace qev::sim {

using Clock = std::chrono::steady_clock;

// The transponder of the sky that a request reaches through the dish equipment as it is set:
// the request's frequency minus its oscillator is the intermediate frequency, which the sky's
// own LNB (band by the tone, polarisation by the voltage) turns back into a frequency.
const SkyTransponder *FindTransponder(const Sky &sky, const DiseqcState &diseqc,
                                      const TuneRequest &request);

// What plays while the tuner is locked; a new generation means the player starts afresh.
struct PlaySource {
  std::filesystem::path file;
  std::uint64_t generation = 0;
};

// The simulated front end: DiSEqC, LNB supply, tuning, lock and signal figures. Safe to call
// from any thread; the player waits on it for changes.
class SkyTuner {
public:
  explicit SkyTuner(Sky sky) : sky_(std::move(sky)) {}

  bool SendDiseqc(std::span<const std::uint8_t> bytes, int burst);
  void Tune(const TuneRequest &request, Clock::time_point now);
  SignalStatus Status(Clock::time_point now) const;
  void SetLockLost(bool lost);

  // What plays at `now`, nothing while the tuner is not locked.
  std::optional<PlaySource> Current(Clock::time_point now) const;
  // Waits until `deadline`; returns false early when the source changes or a stop is asked.
  bool WaitUntil(std::stop_token stop, Clock::time_point deadline, std::uint64_t generation);

  std::uint64_t Generation() const;
  const Sky &Config() const { return sky_; }

private:
  bool LockedLocked(Clock::time_point now) const;
  void Changed();

  const Sky sky_;
  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  DiseqcState diseqc_;
  bool supplyOn_ = true;
  bool lockLost_ = false;
  const SkyTransponder *tuned_ = nullptr;
  Clock::time_point lockAt_;
  std::uint64_t generation_ = 1;
};

} // namespace qev::sim
