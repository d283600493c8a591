#pragma once

#include <cstdint>
#include <map>

#include "flaws.h"
#include "ts_packet.h"

namespace qev::tsgen {

// The last step before a packet leaves: continuity counters, PCR stamping, and the flaws that
// act on whole packets (loss and counter jumps), all counted per PID.
class PacketOutput {
public:
  explicit PacketOutput(const Flaws &flaws) : flaws_(flaws) {}

  // Completes `packet`; false when the packet is to be lost on purpose.
  bool Finish(TsPacket &packet, std::uint64_t pcr27);

private:
  struct PidState {
    unsigned continuity = 0;
    unsigned payloadPackets = 0;
  };
  const Flaws &flaws_;
  std::map<std::uint16_t, PidState> pids_;
};

} // namespace qev::tsgen
