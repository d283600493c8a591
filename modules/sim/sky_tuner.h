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

// The intermediate frequencies a satellite tuner takes, kHz.
inline constexpr std::int64_t kIfLowKhz = 950000;
inline constexpr std::int64_t kIfHighKhz = 2150000;
// A fade that takes the quality below this loses the lock.
inline constexpr int kLockQualityFloor = 10;

// The transponder of a satellite that a request reaches. The request's frequency and
// oscillator give the intermediate frequency the tuner tunes, |frequency - oscillator|; the
// satellite's LNB turns each transponder into an intermediate frequency with the oscillator
// the tone selects. They must meet inside the tuner's range, on the same side of their
// oscillators (a mirror image never locks), with the polarisation the voltage selects and
// the symbol rate.
const SkyTransponder *FindTransponder(const SkySatellite &sat, const TuneRequest &request);
// The same on whichever satellite the dish equipment selects, the positioner at rest.
const SkyTransponder *FindTransponder(const Sky &sky, const DiseqcState &diseqc,
                                      const TuneRequest &request);

// Points the signal has wandered down `sinceLock` after a lock: none at first, then slowly
// down to the sky's drift and back within its period.
double DriftAt(const Sky &sky, Clock::duration sinceLock);
// Points a transponder's fades take `sinceOpen` after the device opened.
double FadeAt(const SkyTransponder &tp, Clock::duration sinceOpen);

// What plays while the tuner is locked; a new generation means the player starts afresh.
struct PlaySource {
  std::filesystem::path file;
  std::uint64_t generation = 0;
};

// The simulated front end: DiSEqC, positioner, LNB supply, tuning, lock and signal figures.
// What the tuner receives is worked out whenever it is asked, so a dish still moving, a fade
// or a switch changed after the tune all show. Safe to call from any thread; the player
// waits on it for changes.
class SkyTuner {
public:
  explicit SkyTuner(Sky sky, Clock::time_point opened = Clock::now());

  bool SendDiseqc(std::span<const std::uint8_t> bytes, int burst, Clock::time_point now);
  void Tune(const TuneRequest &request, Clock::time_point now);
  SignalStatus Status(Clock::time_point now) const;
  // GetDeviceInfo code 6: the delivery system and modulation of the lock, 0 without one.
  std::intptr_t DeliveryCode(Clock::time_point now) const;
  void SetLockLost(bool lost);

  // What plays at `now`, nothing while the tuner is not locked.
  std::optional<PlaySource> Current(Clock::time_point now);
  // The player has delivered every byte of that generation's stream.
  void MarkEnded(std::uint64_t generation);
  bool Ended() const;
  // Waits until `deadline`; returns false early when the source changes or a stop is asked.
  bool WaitUntil(std::stop_token stop, Clock::time_point deadline, std::uint64_t generation);

  std::uint64_t Generation() const;
  const Sky &Config() const { return sky_; }

private:
  struct Reception {
    const SkyTransponder *tp = nullptr;
    int level = 0;
    int quality = 0;
    bool locked = false;
  };
  // Under mutex_.
  Reception Receive(Clock::time_point now) const;
  std::optional<Clock::time_point> ReachedSince(const SkySatellite &sat,
                                                Clock::time_point now) const;
  double StoredPositionAngle(int position) const;
  void Changed();

  const Sky sky_;
  const Clock::time_point opened_;
  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  DiseqcState diseqc_;
  Positioner positioner_;
  Clock::time_point pathChangedAt_{};
  std::optional<TuneRequest> request_;
  Clock::time_point tunedAt_{};
  bool supplyOn_ = true;
  bool lockLost_ = false;
  const SkyTransponder *shown_ = nullptr; // what the player was last told
  bool ended_ = false;
  std::uint64_t generation_ = 1;
};

} // namespace qev::sim
