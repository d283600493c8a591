#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace qev::tsgen {

constexpr std::size_t kPacketSize = 188;
constexpr std::size_t kPayloadSize = 184;
constexpr std::uint16_t kNullPid = 0x1FFF;

// A transport packet waiting for its slot: the continuity counter is set and the PCR stamped
// when it is sent.
struct TsPacket {
  std::array<std::uint8_t, kPacketSize> bytes{};
  bool stampPcr = false;

  std::uint16_t Pid() const { return (bytes[1] & 0x1F) << 8 | bytes[2]; }
  bool HasPayload() const { return (bytes[3] & 0x10) != 0; }
  void SetPid(std::uint16_t pid);
  void SetContinuity(unsigned cc) { bytes[3] = (bytes[3] & 0xF0) | (cc & 0x0F); }
  // Writes the PCR into an adaptation field that has one; `pcr27` counts 27 MHz ticks.
  void WritePcr(std::uint64_t pcr27);
  bool HasPcr() const;
};

struct PacketShape {
  std::uint16_t pid = kNullPid;
  bool unitStart = false;
  std::size_t minAdaptation = 0; // whole adaptation field, length byte included
  bool pcr = false;
};

// Builds a packet around `payload` (at most 184 bytes less the adaptation field); what the
// payload leaves free becomes adaptation-field stuffing.
TsPacket MakePacket(const PacketShape &shape, std::span<const std::uint8_t> payload);

// Room left for payload in a packet of that shape.
std::size_t PayloadRoom(const PacketShape &shape);

} // namespace qev::tsgen
