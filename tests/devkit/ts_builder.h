#pragma once

#include "si/crc32_mpeg.h"

#include <cstdint>
#include <vector>

namespace qev::test {

using Bytes = std::vector<std::uint8_t>;

// One 188-byte packet; the payload is padded with 0xFF.
inline Bytes Packet(std::uint16_t pid, std::uint8_t continuity, const Bytes& payload,
                    bool unitStart = false, bool withPayload = true) {
  Bytes p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8));
  p[2] = static_cast<std::uint8_t>(pid & 0xFF);
  p[3] = static_cast<std::uint8_t>((withPayload ? 0x10 : 0x20) | (continuity & 0x0F));
  if (!withPayload)
    p[4] = 183; // adaptation field filling the packet
  for (std::size_t i = 0; withPayload && i < payload.size() && i < 184; ++i)
    p[4 + i] = payload[i];
  return p;
}

// A long-form section (syntax bit set) with a correct CRC, or a wrong one on request.
inline Bytes Section(std::uint8_t tableId, std::uint16_t extension, std::size_t bodySize,
                     bool goodCrc = true) {
  const std::size_t length = 5 + bodySize + 4;
  Bytes s{tableId, static_cast<std::uint8_t>(0xB0 | (length >> 8)),
          static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(extension >> 8),
          static_cast<std::uint8_t>(extension & 0xFF), 0xC1, 0x00, 0x00};
  for (std::size_t i = 0; i < bodySize; ++i)
    s.push_back(static_cast<std::uint8_t>(i));
  std::uint32_t crc = si::Crc32Mpeg(s);
  if (!goodCrc)
    crc ^= 1;
  for (int shift = 24; shift >= 0; shift -= 8)
    s.push_back(static_cast<std::uint8_t>(crc >> shift));
  return s;
}

// The packets that carry the sections one after the other; a packet in which a section starts
// has the unit start bit and a pointer field, as a multiplexer writes them.
inline std::vector<Bytes> Packetise(std::uint16_t pid, const std::vector<Bytes>& sections,
                                    std::uint8_t& continuity) {
  Bytes data;
  std::vector<std::size_t> starts;
  for (const auto& s : sections) {
    starts.push_back(data.size());
    data.insert(data.end(), s.begin(), s.end());
  }
  std::vector<Bytes> packets;
  for (std::size_t pos = 0; pos < data.size();) {
    std::size_t firstStart = data.size();
    for (std::size_t start : starts)
      if (start >= pos && start < pos + 183) {
        firstStart = start;
        break;
      }
    const bool unitStart = firstStart < data.size();
    Bytes payload;
    payload.reserve(184);
    if (unitStart)
      payload.push_back(static_cast<std::uint8_t>(firstStart - pos));
    const std::size_t take = std::min(data.size() - pos, 184 - payload.size());
    payload.insert(payload.end(), data.begin() + pos, data.begin() + pos + take);
    packets.push_back(Packet(pid, continuity++, payload, unitStart));
    pos += take;
  }
  return packets;
}

inline Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const auto& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

} // namespace qev::test
