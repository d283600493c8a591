#include "diseqc_state.h"

#include <algorithm>
#include <cmath>

namespace qev::sim {

namespace {

constexpr std::uint8_t kCommitted = 0x38;
constexpr std::uint8_t kUncommitted = 0x39;
constexpr std::uint8_t kGotoStored = 0x6B;
constexpr std::uint8_t kGotoAngle = 0x6E;
// Half a sixteenth of a degree: the resolution of the goto-angle message.
constexpr double kAngleTolerance = 1.0 / 32 + 1e-9;
// Whatever angles a sky names, a move ends within a day.
constexpr double kLongestTravelSeconds = 86400;

bool IsFraming(std::uint8_t byte) { return (byte & 0xFC) == 0xE0; }

} // namespace

double DecodeGotoAngle(std::uint8_t high, std::uint8_t low) {
  const unsigned value = (unsigned(high) << 8) | low;
  const unsigned nibble = high >> 4;
  if (nibble == 0xF) // plain 16-bit value, east negative
    return -static_cast<double>(0x10000 - value) / 16;
  // Direction nibble (0xE east; 0xD or 0x0 west), then whole degrees and sixteenths; with the
  // nibble 0 this is also the plain value of a west angle.
  const double degrees = static_cast<double>(value & 0x0FFF) / 16;
  return nibble == 0xE ? -degrees : degrees;
}

bool DiseqcState::Apply(std::span<const std::uint8_t> bytes, int burst) {
  if (bytes.empty()) {
    if (burst != 1 && burst != 2)
      return false;
    toneBurst_ = burst;
    return true;
  }
  return ApplyMessage(bytes);
}

bool DiseqcState::ApplyMessage(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || !IsFraming(bytes[0]))
    return false;
  const std::uint8_t data = bytes[3];
  switch (bytes[2]) {
  case kCommitted:
    if ((data & 0xF0) != 0xF0)
      return false;
    committedPort_ = ((data & 0x0C) >> 2) + 1;
    return true;
  case kUncommitted:
    if ((data & 0xF0) != 0xF0)
      return false;
    uncommittedPort_ = (data & 0x0F) + 1;
    return true;
  case kGotoStored:
    storedPosition_ = data;
    angle_.reset();
    ++moves_;
    return true;
  case kGotoAngle:
    if (bytes.size() < 5)
      return false;
    angle_ = DecodeGotoAngle(bytes[3], bytes[4]);
    storedPosition_ = 0;
    ++moves_;
    return true;
  default:
    return false;
  }
}

bool DiseqcState::Reaches(const SatellitePath &path) const {
  if (path.committedPort != 0 && path.committedPort != committedPort_)
    return false;
  if (path.uncommittedPort != 0 && path.uncommittedPort != uncommittedPort_)
    return false;
  if (path.toneBurst != 0 && path.toneBurst != toneBurst_)
    return false;
  return ReachesPositioner(path);
}

bool DiseqcState::ReachesPositioner(const SatellitePath &path) const {
  const bool byPosition = path.storedPosition != 0 && path.storedPosition == storedPosition_;
  const bool byAngle = path.angle && angle_ && std::fabs(*path.angle - *angle_) <= kAngleTolerance;
  if (path.storedPosition != 0 && path.angle)
    return byPosition || byAngle;
  if (path.storedPosition != 0)
    return byPosition;
  return !path.angle || byAngle;
}

void Positioner::MoveTo(double angle, Clock::time_point now) {
  from_ = AngleAt(now);
  to_ = angle;
  start_ = now;
  arrival_ = now;
  if (speed_ > 0)
    arrival_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
        std::min(std::fabs(to_ - from_) / speed_, kLongestTravelSeconds)));
}

void Positioner::ArriveNow(Clock::time_point now) {
  from_ = to_ = AngleAt(now);
  start_ = arrival_ = now;
}

double Positioner::AngleAt(Clock::time_point now) const {
  if (now >= arrival_)
    return to_;
  const double travelled = std::chrono::duration<double>(now - start_).count() * speed_;
  return from_ + (to_ > from_ ? travelled : -travelled);
}

} // namespace qev::sim
