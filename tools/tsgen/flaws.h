#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qev::tsgen {

// A flaw that strikes every `every`-th packet or section (counted per PID) on one PID, or on
// all PIDs when no PID is given. every = 0 switches it off.
struct FlawRate {
  unsigned every = 0;
  std::optional<std::uint16_t> pid;

  bool Enabled() const { return every != 0; }
  bool Targets(std::uint16_t p) const { return Enabled() && (!pid || *pid == p); }
};

// Changes at a moment of the stream, `at` seconds after its start.
struct VersionChange { // every table (on one PID) takes a new version without a new content
  double at = 0;
  std::optional<std::uint16_t> pid;
};
struct PidChange { // a stream moves to another PID, its PMT with it
  double at = 0;
  std::uint16_t from = 0;
  std::uint16_t to = 0;
};
struct ServiceChange { // a service appears in (or leaves) the PAT, its PMT and the SDT
  double at = 0;
  std::uint16_t serviceId = 0;
  bool added = true;
};
struct PcrJump { // from then on the PCR runs ahead, without a discontinuity flag
  double at = 0;
  int milliseconds = 0;
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
  FlawRate transportError;   // packets with the transport_error_indicator set
  FlawRate lostSync;         // packets whose sync byte is wrong
  FlawRate garbage;          // garbage bytes (no packet) after every n-th packet
  int garbageBytes = 17;
  FlawRate duplicate; // packets sent twice with the same counter
  std::optional<PcrJump> pcrJump;
  std::vector<VersionChange> versionChanges;
  std::vector<PidChange> pidChanges;
  std::vector<ServiceChange> serviceChanges;
};

} // namespace qev::tsgen
