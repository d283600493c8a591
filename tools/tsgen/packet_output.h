#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "flaws.h"
#include "ts_packet.h"

namespace qev::tsgen {

// The last step before a packet leaves: PID changes, continuity counters, PCR stamping, and the
// flaws that act on whole packets (loss, counter jumps, error flags, lost sync, garbage,
// duplicates, PCR jumps), counted per PID.
class PacketOutput {
public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;

  explicit PacketOutput(const Flaws &flaws);

  // Completes `packet`, sent at `t27` ticks after the start, and hands what leaves to `sink`.
  void Send(TsPacket &packet, std::uint64_t t27, const Sink &sink);

private:
  std::uint64_t Pcr(std::uint64_t t27) const;
  std::uint16_t PidAt(std::uint16_t pid, std::uint64_t t27) const;

  struct PidState {
    unsigned continuity = 0;
    unsigned payloadPackets = 0;
  };
  const Flaws &flaws_;
  std::map<std::uint16_t, PidState> pids_;
  std::vector<std::uint8_t> garbage_;
};

} // namespace qev::tsgen
