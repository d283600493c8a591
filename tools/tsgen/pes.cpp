#include "pes.h"

#include <algorithm>

#include "teletext_coding.h"

namespace qev::tsgen {
namespace {

constexpr std::uint8_t kPrivateStream1 = 0xBD;
constexpr std::size_t kTeletextHeaderData = 36; // makes the PES header 45 bytes
constexpr std::uint8_t kEbuDataIdentifier = 0x10;
constexpr std::uint8_t kFramingCode = 0xE4;
constexpr std::size_t kUnitSize = 46;

void PutPts(ByteWriter &out, std::uint64_t pts) {
  out.Put8(0x21 | (pts >> 29 & 0x0E));
  out.Put16((pts >> 14 & 0xFFFE) | 1);
  out.Put16((pts << 1 & 0xFFFE) | 1);
}

void PutUnit(ByteWriter &out, const TeletextUnit &unit, unsigned lineOffset) {
  out.Put8(unit.subtitle ? 0x03 : 0x02);
  out.Put8(kUnitSize - 2);
  out.Put8(0xC0 | 0x20 | lineOffset); // first field
  out.Put8(kFramingCode);
  for (const std::uint8_t byte : unit.line) {
    out.Put8(ReverseBits(byte));
  }
}

void PutStuffingUnit(ByteWriter &out) {
  out.Put8(0xFF);
  out.Put8(kUnitSize - 2);
  for (std::size_t i = 2; i < kUnitSize; ++i) {
    out.Put8(0xFF);
  }
}

} // namespace

Bytes TeletextPes(const std::vector<TeletextUnit> &units, std::uint64_t pts90) {
  ByteWriter out;
  out.Put24(0x000001);
  out.Put8(kPrivateStream1);
  const auto length = out.BeginLength(16);
  out.Put8(0x84); // data_alignment_indicator
  out.Put8(0x80); // PTS only
  out.Put8(kTeletextHeaderData);
  PutPts(out, pts90);
  for (std::size_t i = 5; i < kTeletextHeaderData; ++i) {
    out.Put8(0xFF);
  }
  out.Put8(kEbuDataIdentifier);
  for (std::size_t i = 0; i < kUnitsPerTeletextPes; ++i) {
    if (i < units.size()) {
      PutUnit(out, units[i], 7 + i);
    } else {
      PutStuffingUnit(out);
    }
  }
  out.EndLength(length);
  return out.Take();
}

Bytes PlaceholderPes(std::uint8_t streamId, std::uint64_t pts90, const Bytes &payload) {
  ByteWriter out;
  out.Put24(0x000001);
  out.Put8(streamId);
  const auto length = out.BeginLength(16);
  out.Put8(0x80);
  out.Put8(0x80);
  out.Put8(5);
  PutPts(out, pts90);
  out.PutBytes(payload);
  out.EndLength(length);
  return out.Take();
}

std::vector<TsPacket> Packetize(std::uint16_t pid, const Bytes &pes) {
  std::vector<TsPacket> packets;
  for (std::size_t at = 0; at < pes.size(); at += kPayloadSize) {
    const std::size_t n = std::min(kPayloadSize, pes.size() - at);
    const PacketShape shape{.pid = pid, .unitStart = at == 0};
    packets.push_back(MakePacket(shape, std::span(pes).subspan(at, n)));
  }
  return packets;
}

} // namespace qev::tsgen
