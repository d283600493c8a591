#pragma once

// Teletext as it arrives from the device: data units in PES packets cut into transport packets,
// built from the lines that tsgen's writer codes.
#include "pes.h"
#include "teletext_coding.h"
#include "teletext_packet.h"
#include "ts_packet.h"

#include <cstdint>
#include <vector>

namespace qev::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kTtxTestPid = 0x104;

// One 46-byte EBU data unit carrying `line`.
inline Bytes TtxUnit(const tsgen::TeletextLine &line, std::uint8_t id = 0x02) {
  Bytes unit{id, 0x2C, 0xE7, 0xE4};
  for (std::uint8_t byte : line)
    unit.push_back(tsgen::ReverseBits(byte));
  return unit;
}

// A unit of any id and length, filled with `fill`.
inline Bytes OtherUnit(std::uint8_t id, std::uint8_t length, std::uint8_t fill = 0xFF) {
  Bytes unit{id, length};
  unit.resize(2 + length, fill);
  return unit;
}

// A private-stream-1 PES packet whose optional header is `headerData` stuffing bytes, then the
// EBU data identifier and `body` (the units).
inline Bytes TtxPes(const Bytes &body, std::uint8_t headerData = 36) {
  Bytes pes{0x00, 0x00, 0x01, 0xBD, 0, 0, 0x84, 0x00, headerData};
  pes.resize(pes.size() + headerData, 0xFF);
  pes.push_back(0x10);
  pes.insert(pes.end(), body.begin(), body.end());
  const std::size_t length = pes.size() - 6;
  pes[4] = std::uint8_t(length >> 8);
  pes[5] = std::uint8_t(length);
  return pes;
}

// Cuts `pes` into packets continuing `counter`; packet i gets an adaptation field of
// `adaptation[i]` bytes (length byte included) when the list names it.
inline Bytes TtxPackets(const Bytes &pes, unsigned &counter,
                        const std::vector<std::size_t> &adaptation = {}) {
  Bytes out;
  std::size_t at = 0;
  for (std::size_t i = 0; at < pes.size(); ++i) {
    tsgen::PacketShape shape{.pid = kTtxTestPid, .unitStart = at == 0};
    shape.minAdaptation = i < adaptation.size() ? adaptation[i] : 0;
    const std::size_t n = std::min(tsgen::PayloadRoom(shape), pes.size() - at);
    tsgen::TsPacket packet = tsgen::MakePacket(shape, std::span(pes).subspan(at, n));
    packet.SetContinuity(counter++);
    out.insert(out.end(), packet.bytes.begin(), packet.bytes.end());
    at += n;
  }
  return out;
}

// Units in one PES packet, as whole packets.
inline Bytes TtxStream(const std::vector<Bytes> &units, unsigned &counter) {
  Bytes body;
  for (const Bytes &unit : units)
    body.insert(body.end(), unit.begin(), unit.end());
  return TtxPackets(TtxPes(body), counter);
}

// A page: header, rows, then a time filler that ends it.
inline std::vector<Bytes> TtxPageUnits(const tsgen::TeletextPage &page,
                                       const std::vector<std::pair<int, std::string>> &rows) {
  std::vector<Bytes> units{TtxUnit(tsgen::TeletextPacketWriter::Header(page, "HEADER"))};
  for (const auto &[row, text] : rows)
    units.push_back(
        TtxUnit(tsgen::TeletextPacketWriter::Row(tsgen::MagazineOf(page.page), row, text)));
  units.push_back(
      TtxUnit(tsgen::TeletextPacketWriter::TimeFiller(tsgen::MagazineOf(page.page), "FILL")));
  return units;
}

} // namespace qev::test
