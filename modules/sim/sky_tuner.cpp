#include "sky_tuner.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

// A signal after the LNB's mixer: its distance from the oscillator, and whether it lay below
// (its spectrum then comes out inverted).
struct Intermediate {
  std::int64_t khz;
  bool inverted;
};

Intermediate Mix(std::int64_t frequencyKhz, std::int64_t oscillatorKhz) {
  return {std::llabs(frequencyKhz - oscillatorKhz), frequencyKhz < oscillatorKhz};
}

bool SymbolRateFits(const SkyTransponder &tp, std::int64_t symbolRate) {
  const std::int64_t rate = tp.symbolRate;
  return std::llabs(symbolRate - rate) * 100 <= rate * kSymbolRatePercent;
}

// sin² of the share of a cycle: 0 at both ends, 1 half-way, smooth throughout.
double Dip(double share) {
  const double s = std::sin(std::numbers::pi * share);
  return s * s;
}

int Points(double value) { return static_cast<int>(std::clamp(std::lround(value), 0L, 100L)); }

bool HasPositioner(const SatellitePath &path) { return path.storedPosition != 0 || path.angle; }

} // namespace

const SkyTransponder *FindTransponder(const SkySatellite &sat, const TuneRequest &request) {
  const auto polarisation = PolarisationOf(request.Voltage);
  const Intermediate tuned = Mix(request.Frequency, request.LnbFrequency);
  if (!polarisation || tuned.khz < kIfLowKhz || tuned.khz > kIfHighKhz)
    return nullptr;
  const std::int64_t oscillator = sat.lnb.Oscillator(request.Tone != 0);
  for (const SkyTransponder &tp : sat.transponders) {
    const Intermediate received = Mix(tp.frequencyKhz, oscillator);
    if (tp.polarisation == *polarisation && received.inverted == tuned.inverted &&
        std::llabs(received.khz - tuned.khz) <= kFrequencyToleranceKhz &&
        SymbolRateFits(tp, request.SymbolRate))
      return &tp;
  }
  return nullptr;
}

const SkyTransponder *FindTransponder(const Sky &sky, const DiseqcState &diseqc,
                                      const TuneRequest &request) {
  for (const SkySatellite &sat : sky.satellites) {
    if (!diseqc.Reaches(sat.path))
      continue;
    if (const SkyTransponder *tp = FindTransponder(sat, request))
      return tp;
  }
  return nullptr;
}

double DriftAt(const Sky &sky, Clock::duration sinceLock) {
  const double period = std::chrono::duration<double>(sky.driftPeriod).count();
  const double elapsed = std::chrono::duration<double>(sinceLock).count();
  return sky.driftPoints * Dip(std::fmod(std::max(elapsed, 0.0), period) / period);
}

double FadeAt(const SkyTransponder &tp, Clock::duration sinceOpen) {
  double points = 0;
  for (const Fade &fade : tp.fades) {
    const auto into = sinceOpen - fade.start;
    if (into >= Clock::duration::zero() && into <= fade.duration)
      points += fade.depth * Dip(std::chrono::duration<double>(into) / fade.duration);
  }
  return points;
}

SkyTuner::SkyTuner(Sky sky, Clock::time_point opened)
    : sky_(std::move(sky)), opened_(opened), positioner_(sky_.motorSpeed) {}

double SkyTuner::StoredPositionAngle(int position) const {
  for (const SkySatellite &sat : sky_.satellites)
    if (sat.path.storedPosition == position && sat.path.angle)
      return *sat.path.angle;
  return NAN;
}

bool SkyTuner::SendDiseqc(std::span<const std::uint8_t> bytes, int burst, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  const std::uint32_t moves = diseqc_.Moves();
  if (!diseqc_.Apply(bytes, burst))
    return false;
  if (diseqc_.Moves() != moves) {
    const double angle =
        diseqc_.Angle() ? *diseqc_.Angle() : StoredPositionAngle(diseqc_.StoredPosition());
    if (std::isnan(angle))
      positioner_.ArriveNow(now);
    else
      positioner_.MoveTo(angle, now);
  }
  pathChangedAt_ = now;
  Changed();
  return true;
}

void SkyTuner::Tune(const TuneRequest &request, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (request.Voltage == QEV_LNB_SUPPLY_OFF || request.Voltage == QEV_LNB_SUPPLY_ON) {
    supplyOn_ = request.Voltage == QEV_LNB_SUPPLY_ON;
  } else {
    supplyOn_ = true;
    request_ = request;
    tunedAt_ = now;
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
  ended_ = false;
  changed_.notify_all();
}

std::optional<Clock::time_point> SkyTuner::ReachedSince(const SkySatellite &sat,
                                                        Clock::time_point now) const {
  if (!diseqc_.Reaches(sat.path))
    return std::nullopt;
  Clock::time_point since = std::max(tunedAt_, pathChangedAt_);
  if (HasPositioner(sat.path)) {
    if (now < positioner_.Arrival())
      return std::nullopt;
    since = std::max(since, positioner_.Arrival());
  }
  return since;
}

SkyTuner::Reception SkyTuner::Receive(Clock::time_point now) const {
  if (!request_ || !supplyOn_ || lockLost_)
    return {};
  for (const SkySatellite &sat : sky_.satellites) {
    const auto since = ReachedSince(sat, now);
    const SkyTransponder *tp = since ? FindTransponder(sat, *request_) : nullptr;
    if (tp == nullptr)
      continue;
    const Clock::time_point lockAt = *since + tp->lockDelay;
    const double fade = FadeAt(*tp, now - opened_);
    const double drift = now >= lockAt ? DriftAt(sky_, now - lockAt) : 0;
    Reception reception{tp, Points(tp->level - fade - drift), Points(tp->quality - fade - drift)};
    reception.locked = now >= lockAt && !(fade > 0 && reception.quality < kLockQualityFloor);
    return reception;
  }
  return {};
}

SignalStatus SkyTuner::Status(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  const Reception reception = Receive(now);
  const auto level = static_cast<std::uint16_t>(reception.level);
  if (reception.tp == nullptr)
    return {};
  if (!reception.locked)
    return {level, 0, kBitsBeforeLock};
  return {level, static_cast<std::uint16_t>(reception.quality), kBitsLocked};
}

std::intptr_t SkyTuner::DeliveryCode(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  const Reception reception = Receive(now);
  return reception.locked ? reception.tp->delivery.Code() : 0;
}

std::optional<PlaySource> SkyTuner::Current(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  const Reception reception = Receive(now);
  if (!reception.locked)
    return std::nullopt;
  if (reception.tp != shown_) { // the dish arrived somewhere else: a new stream
    shown_ = reception.tp;
    Changed();
  }
  return PlaySource{shown_->file, generation_};
}

void SkyTuner::MarkEnded(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  ended_ = ended_ || generation == generation_;
}

bool SkyTuner::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
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
