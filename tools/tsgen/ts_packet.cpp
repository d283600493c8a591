#include "ts_packet.h"

#include <algorithm>
#include <stdexcept>

namespace qev::tsgen {
namespace {

constexpr std::size_t kPcrAdaptation = 8; // length, flags, 6 PCR bytes

std::size_t AdaptationSize(const PacketShape &shape, std::size_t payload) {
  const std::size_t wanted = std::max(shape.minAdaptation, shape.pcr ? kPcrAdaptation : 0);
  return std::max(wanted, kPayloadSize - payload);
}

} // namespace

void TsPacket::SetPid(std::uint16_t pid) {
  bytes[1] = static_cast<std::uint8_t>((bytes[1] & 0xE0) | (pid >> 8 & 0x1F));
  bytes[2] = static_cast<std::uint8_t>(pid);
}

bool TsPacket::HasPcr() const {
  return (bytes[3] & 0x20) != 0 && bytes[4] >= 7 && (bytes[5] & 0x10) != 0;
}

void TsPacket::WritePcr(std::uint64_t pcr27) {
  if (!HasPcr()) {
    return;
  }
  const std::uint64_t base = (pcr27 / 300) & 0x1FFFFFFFFull;
  const unsigned ext = pcr27 % 300;
  bytes[6] = static_cast<std::uint8_t>(base >> 25);
  bytes[7] = static_cast<std::uint8_t>(base >> 17);
  bytes[8] = static_cast<std::uint8_t>(base >> 9);
  bytes[9] = static_cast<std::uint8_t>(base >> 1);
  bytes[10] = static_cast<std::uint8_t>((base & 1) << 7 | 0x7E | ext >> 8);
  bytes[11] = static_cast<std::uint8_t>(ext);
}

std::size_t PayloadRoom(const PacketShape &shape) {
  return kPayloadSize - std::max(shape.minAdaptation, shape.pcr ? kPcrAdaptation : 0);
}

TsPacket MakePacket(const PacketShape &shape, std::span<const std::uint8_t> payload) {
  if (payload.size() > PayloadRoom(shape)) {
    throw std::length_error("payload larger than the packet");
  }
  TsPacket packet;
  auto &b = packet.bytes;
  b.fill(0xFF);
  b[0] = 0x47;
  b[1] = static_cast<std::uint8_t>((shape.unitStart ? 0x40 : 0) | (shape.pid >> 8 & 0x1F));
  b[2] = static_cast<std::uint8_t>(shape.pid);
  const std::size_t adaptation =
      payload.empty() ? kPayloadSize : AdaptationSize(shape, payload.size());
  b[3] = static_cast<std::uint8_t>((adaptation ? 0x20 : 0) | (payload.empty() ? 0 : 0x10));
  if (adaptation > 0) {
    b[4] = static_cast<std::uint8_t>(adaptation - 1);
    if (adaptation > 1) {
      b[5] = shape.pcr ? 0x10 : 0x00;
    }
  }
  packet.stampPcr = shape.pcr;
  std::copy(payload.begin(), payload.end(), b.begin() + 4 + adaptation);
  return packet;
}

} // namespace qev::tsgen
