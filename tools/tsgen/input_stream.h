#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ts_packet.h"

namespace qev::tsgen {

// Picture and sound taken from a pre-encoded clip, played in an endless loop. The clip loops as
// a whole, on its length in whole frames as its own time stamps tell it, so the time stamps of
// each stream run on across the loop, picture and sound stay in step, and a decoder sees one
// unbroken stream. The packets of an access unit are due
// at its decoding time in the clip; the multiplexer shifts the time stamps by a lead so that
// they arrive that long before they are decoded.
class InputStream {
public:
  struct Unit {
    std::uint64_t dts90 = 0; // decoding time after the clip's first one, 90 kHz
    std::size_t first = 0;   // packets [first, end) of the stream
    std::size_t end = 0;
  };
  struct Elementary {
    std::uint16_t pid = 0;        // output PID
    std::uint64_t period90 = 0;   // length of one loop, the clip's
    std::uint64_t firstDts90 = 0; // the clip's own first decoding time
    std::vector<TsPacket> packets;
    std::vector<Unit> units; // in decoding order
    std::uint64_t bytes = 0; // payload carried per loop, for the bitrate check
  };

  // Reads `path` and keeps the PES streams of the PIDs in `remap` (input PID → output PID).
  // Throws std::runtime_error when the file cannot be read, holds no transport packets, or a
  // PID of `remap` carries no PES with a time stamp.
  static InputStream Load(const std::string &path,
                          const std::map<std::uint16_t, std::uint16_t> &remap);
  // The same from bytes already in memory.
  static InputStream Parse(const std::vector<std::uint8_t> &data,
                           const std::map<std::uint16_t, std::uint16_t> &remap);

  const std::vector<Elementary> &Streams() const { return streams_; }

  // Rewrites the PTS and DTS of a packet that starts a PES packet by `shift90`.
  static void ShiftTimestamps(TsPacket &packet, std::uint64_t shift90);

private:
  std::vector<Elementary> streams_;
};

} // namespace qev::tsgen
