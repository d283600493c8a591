#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Tests name only the fields that matter to them.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace qev::test {

// A 188-byte packet: header fields, an optional adaptation field and payload bytes, padded
// with 0xFF.
struct TPacketSpec {
  std::uint16_t pid = 0x100;
  bool start = true;
  int scrambling = 0;
  int cc = 0;
  bool payload = true;
  int adaptationLength = -1; // -1: no adaptation field
  std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> MakePacket(const TPacketSpec &s) {
  std::vector<std::uint8_t> p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((s.start ? 0x40 : 0) | (s.pid >> 8 & 0x1F));
  p[2] = static_cast<std::uint8_t>(s.pid & 0xFF);
  p[3] = static_cast<std::uint8_t>(s.scrambling << 6 | (s.adaptationLength >= 0 ? 0x20 : 0) |
                                   (s.payload ? 0x10 : 0) | (s.cc & 0x0F));
  std::size_t at = 4;
  if (s.adaptationLength >= 0) {
    p[4] = static_cast<std::uint8_t>(s.adaptationLength);
    if (s.adaptationLength > 0)
      p[5] = 0;
    at = 5 + static_cast<std::size_t>(s.adaptationLength);
  }
  for (std::uint8_t b : s.bytes)
    if (at < p.size())
      p[at++] = b;
  return p;
}

inline void Append(std::vector<std::uint8_t> &stream, const std::vector<std::uint8_t> &packet) {
  stream.insert(stream.end(), packet.begin(), packet.end());
}

// A PES start of the given stream id with a header data length.
inline std::vector<std::uint8_t> PesStart(std::uint8_t streamId, std::uint8_t headerLength = 5) {
  return {0, 0, 1, streamId, 0, 0, 0x80, 0x80, headerLength};
}

} // namespace qev::test
