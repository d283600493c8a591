#pragma once

#include "sky_config.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace qev::sim {

// What the dish equipment was last told over the DiSEqC bus: the switch ports, the tone burst
// and where the positioner went. Each message changes only its own part.
class DiseqcState {
public:
  // A message (burst 0) or a tone burst (no bytes, burst 1 = A, 2 = B). Returns false for a
  // message this equipment does not understand.
  bool Apply(std::span<const std::uint8_t> bytes, int burst);
  // Whether the switches and the positioner's last goto select the path. A path with both a
  // stored position and an angle is the same place reached either way.
  bool Reaches(const SatellitePath &path) const;

  // Counts the goto messages, so a caller sees that the positioner was sent somewhere.
  std::uint32_t Moves() const { return moves_; }
  int StoredPosition() const { return storedPosition_; }
  const std::optional<double> &Angle() const { return angle_; }

private:
  bool ApplyMessage(std::span<const std::uint8_t> bytes);
  bool ReachesPositioner(const SatellitePath &path) const;

  int committedPort_ = 0;
  int uncommittedPort_ = 0;
  int toneBurst_ = 0;
  int storedPosition_ = 0;
  std::optional<double> angle_; // west positive
  std::uint32_t moves_ = 0;
};

// Where the motor of a moving dish points while it travels at a constant speed from where it
// was to where it was last sent. It starts due south (0 degrees).
class Positioner {
public:
  using Clock = std::chrono::steady_clock;

  explicit Positioner(double degreesPerSecond) : speed_(degreesPerSecond) {}
  void MoveTo(double angle, Clock::time_point now);
  // A goto to a place of unknown angle: the motor counts as there at once.
  void ArriveNow(Clock::time_point now);
  Clock::time_point Arrival() const { return arrival_; }
  double AngleAt(Clock::time_point now) const;

private:
  double speed_;
  double from_ = 0;
  double to_ = 0;
  Clock::time_point start_{};
  Clock::time_point arrival_{};
};

// The angle of a goto-angle message (command 0x6E) in any of its three encodings, west positive.
double DecodeGotoAngle(std::uint8_t high, std::uint8_t low);

} // namespace qev::sim
