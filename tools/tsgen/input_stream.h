#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ts_packet.h"

namespace qev::tsgen {

// The packets of an input transport stream that feed our streams, each with the time at which
// it is due, taken from the input's PCR (interpolated between PCRs). PIDs are already remapped.
class InputStream {
public:
  struct Timed {
    std::uint64_t due27 = 0; // 27 MHz ticks after the first PCR
    TsPacket packet;
  };

  // Reads `path` and keeps the packets of the PIDs in `remap` (input PID → output PID).
  // Throws std::runtime_error when the file cannot be read or holds no transport packets.
  static InputStream Load(const std::string &path,
                          const std::map<std::uint16_t, std::uint16_t> &remap,
                          std::uint64_t fallbackBitrate);
  // The same from bytes already in memory.
  static InputStream Parse(const std::vector<std::uint8_t> &data,
                           const std::map<std::uint16_t, std::uint16_t> &remap,
                           std::uint64_t fallbackBitrate);

  const std::vector<Timed> &Packets() const { return packets_; }
  // The first PCR of the input, so that its time stamps stay valid in our clock.
  std::uint64_t FirstPcr27() const { return firstPcr27_; }

private:
  std::vector<Timed> packets_;
  std::uint64_t firstPcr27_ = 0;
};

} // namespace qev::tsgen
