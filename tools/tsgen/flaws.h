#pragma once

#include <cstdint>
#include <optional>

namespace qev::tsgen {

// A flaw that strikes every `every`-th packet or section (counted per PID) on one PID, or on
// all PIDs when no PID is given. every = 0 switches it off.
struct FlawRate {
  unsigned every = 0;
  std::optional<std::uint16_t> pid;

  bool Enabled() const { return every != 0; }
  bool Targets(std::uint16_t p) const { return Enabled() && (!pid || *pid == p); }
};

// Deliberate faults, so that receivers can be tested against broken streams.
struct Flaws {
  FlawRate badCrc;           // sections whose CRC_32 is wrong
  FlawRate wrongLength;      // sections whose section_length disagrees with their size
  int lengthDelta = 5;       // how far the wrong section_length is off
  bool splitHeaders = false; // section headers straddle a packet boundary (SI PIDs)
  FlawRate stuffingTables;   // a stuffing table before every n-th section (SI PIDs)
  FlawRate packetLoss;       // packets that are left out (their continuity count is used up)
  FlawRate continuity;       // packets whose continuity counter jumps by one extra step
  FlawRate adaptation;       // section packets that carry an adaptation field of stuffing
  int adaptationBytes = 12;  // whole adaptation field size, length byte included
};

} // namespace qev::tsgen
