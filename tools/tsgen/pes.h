#pragma once

#include <cstdint>
#include <vector>

#include "byte_writer.h"
#include "teletext_packet.h"
#include "ts_packet.h"

namespace qev::tsgen {

// A teletext data unit of the PES: subtitle pages use their own unit id.
struct TeletextUnit {
  bool subtitle = false;
  TeletextLine line{};
};

// Units per teletext PES packet: with the 46-byte header the packet fills whole TS packets.
constexpr std::size_t kUnitsPerTeletextPes = 15;

// A teletext PES packet; units beyond those given are stuffing.
Bytes TeletextPes(const std::vector<TeletextUnit> &units, std::uint64_t pts90);
// A PES packet carrying `payload`, to give a stream without a source some flow.
Bytes PlaceholderPes(std::uint8_t streamId, std::uint64_t pts90, const Bytes &payload);
// Cuts a PES packet into transport packets on `pid`.
std::vector<TsPacket> Packetize(std::uint16_t pid, const Bytes &pes);

} // namespace qev::tsgen
