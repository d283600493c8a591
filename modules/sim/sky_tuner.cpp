#include "sky_tuner.h"

#include <cstdlib>

namespace qev::sim {

namespace {

constexpr std::int64_t kFrequencyToleranceKhz = 2000;
constexpr std::int64_t kSymbolRatePercent = 1;
constexpr std::uint32_t kVoltsVertical = 13;
constexpr std::uint32_t kVoltsHorizontal = 18;
constexpr std::uint16_t kBitsBeforeLock = QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER;
constexpr std::uint16_t kBitsLocked =
    QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER | QEV_SIGNAL_VITERBI | QEV_SIGNAL_SYNC | QEV_SIGNAL_LOCK;

std::optional<Polarisation> PolarisationOf(std::uint32_t voltage) {
  if (voltage == kVoltsVertical)
    return Polarisation::Vertical;
  if (voltage == kVoltsHorizontal)
    return Polarisation::Horizontal;
  return std::nullopt;
}

bool Reaches(const SkyTransponder &tp, std::int64_t frequencyKhz, Polarisation polarisation,
             std::int64_t symbolRate) {
  const std::int64_t rate = tp.symbolRate;
  return tp.polarisation == polarisation &&
         std::llabs(frequencyKhz - std::int64_t(tp.frequencyKhz)) <= kFrequencyToleranceKhz &&
         std::llabs(symbolRate - rate) * 100 <= rate * kSymbolRatePercent;
}

} // namespace

const SkyTransponder *FindTransponder(const Sky &sky, const DiseqcState &diseqc,
                                      const TuneRequest &request) {
  const auto polarisation = PolarisationOf(request.Voltage);
  if (!polarisation)
    return nullptr;
  const std::int64_t intermediate =
      std::int64_t(request.Frequency) - std::int64_t(request.LnbFrequency);
  const std::int64_t oscillator = request.Tone != 0 ? sky.lnbHighKhz : sky.lnbLowKhz;
  const std::int64_t frequency = std::llabs(intermediate) + oscillator;
  for (const SkySatellite &sat : sky.satellites) {
    if (!diseqc.Reaches(sat.path))
      continue;
    for (const SkyTransponder &tp : sat.transponders)
      if (Reaches(tp, frequency, *polarisation, request.SymbolRate))
        return &tp;
  }
  return nullptr;
}

bool SkyTuner::SendDiseqc(std::span<const std::uint8_t> bytes, int burst) {
  std::lock_guard lock(mutex_);
  return diseqc_.Apply(bytes, burst);
}

void SkyTuner::Tune(const TuneRequest &request, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (request.Voltage == QEV_LNB_SUPPLY_OFF || request.Voltage == QEV_LNB_SUPPLY_ON) {
    supplyOn_ = request.Voltage == QEV_LNB_SUPPLY_ON;
  } else {
    supplyOn_ = true;
    tuned_ = FindTransponder(sky_, diseqc_, request);
    lockAt_ = now + (tuned_ != nullptr ? tuned_->lockDelay : std::chrono::milliseconds(0));
  }
  Changed();
}

void SkyTuner::SetLockLost(bool lost) {
  std::lock_guard lock(mutex_);
  lockLost_ = lost;
  Changed();
}

void SkyTuner::Changed() {
  ++generation_;
  changed_.notify_all();
}

bool SkyTuner::LockedLocked(Clock::time_point now) const {
  return tuned_ != nullptr && supplyOn_ && !lockLost_ && now >= lockAt_;
}

SignalStatus SkyTuner::Status(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  if (tuned_ == nullptr || !supplyOn_ || lockLost_)
    return {};
  if (!LockedLocked(now))
    return {tuned_->level, 0, kBitsBeforeLock};
  return {tuned_->level, tuned_->quality, kBitsLocked};
}

std::optional<PlaySource> SkyTuner::Current(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  if (!LockedLocked(now))
    return std::nullopt;
  return PlaySource{tuned_->file, generation_};
}

std::uint64_t SkyTuner::Generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

bool SkyTuner::WaitUntil(std::stop_token stop, Clock::time_point deadline,
                         std::uint64_t generation) {
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, stop, deadline, [&] { return generation_ != generation; });
  return generation_ == generation && !stop.stop_requested() && Clock::now() >= deadline;
}

} // namespace qev::sim
