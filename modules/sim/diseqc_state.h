#pragma once

#include "sky_config.h"

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
  bool Reaches(const SatellitePath &path) const;

private:
  bool ApplyMessage(std::span<const std::uint8_t> bytes);

  int committedPort_ = 0;
  int uncommittedPort_ = 0;
  int toneBurst_ = 0;
  int storedPosition_ = 0;
  std::optional<double> angle_; // west positive
};

// The angle of a goto-angle message (command 0x6E) in any of its three encodings, west positive.
double DecodeGotoAngle(std::uint8_t high, std::uint8_t low);

} // namespace qev::sim
