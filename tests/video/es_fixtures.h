#pragma once

// Makers of elementary-stream headers and transport packets for the detection tests, and a
// reader of the demo sky's clips.
#include "video/es_detect.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace qev::test {

using TBytes = std::vector<std::uint8_t>;

// Writes bit fields most significant bit first, and exp-Golomb codes.
class TBitWriter {
public:
  TBitWriter &Bits(std::uint64_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
      if (bit_ % 8 == 0)
        bytes_.push_back(0);
      bytes_.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - bit_ % 8));
      ++bit_;
    }
    return *this;
  }
  TBitWriter &Ue(std::uint32_t value) {
    const std::uint64_t code = std::uint64_t{value} + 1;
    unsigned length = 0;
    while ((code >> length) > 1)
      ++length;
    return Bits(0, length).Bits(code, length + 1);
  }
  // rbsp_trailing_bits
  TBitWriter &Trailing() {
    Bits(1, 1);
    while (bit_ % 8 != 0)
      Bits(0, 1);
    return *this;
  }
  const TBytes &Bytes() const { return bytes_; }

private:
  TBytes bytes_;
  std::size_t bit_ = 0;
};

inline TBytes Concat(TBytes a, const TBytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Inserts emulation-prevention bytes, as an encoder puts a NAL unit's RBSP on the wire.
inline TBytes Escape(const TBytes &rbsp) {
  TBytes out;
  unsigned zeros = 0;
  for (std::uint8_t byte : rbsp) {
    if (zeros >= 2 && byte <= 3) {
      out.push_back(3);
      zeros = 0;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out.push_back(byte);
  }
  return out;
}

// Transport packets of one PES packet with the given payload on `pid`.
// `stuffing` bytes of 0xFF lengthen the PES header (up to 250).
inline std::vector<TBytes> PesPackets(std::uint16_t pid, const TBytes &es,
                                      std::uint8_t streamId = 0xE0, std::uint8_t stuffing = 0) {
  TBytes pes = {0,    0, 1, streamId, 0, 0, 0x80, 0x80, static_cast<std::uint8_t>(5 + stuffing),
                0x21, 0, 1, 0,        1}; // with a PTS
  pes.insert(pes.end(), stuffing, 0xFF);
  pes.insert(pes.end(), es.begin(), es.end());
  std::vector<TBytes> packets;
  std::uint8_t continuity = 0;
  for (std::size_t offset = 0; offset < pes.size(); offset += 184) {
    TBytes packet = {0x47, static_cast<std::uint8_t>((offset == 0 ? 0x40 : 0) | pid >> 8),
                     static_cast<std::uint8_t>(pid),
                     static_cast<std::uint8_t>(0x10 | continuity++ % 16)};
    const std::size_t n = std::min<std::size_t>(184, pes.size() - offset);
    if (n < 184) { // stuffing goes into an adaptation field in front of the payload
      packet[3] |= 0x20;
      packet.push_back(static_cast<std::uint8_t>(183 - n));
      if (n < 183) {
        packet.push_back(0x00);
        packet.insert(packet.end(), 182 - n, 0xFF);
      }
    }
    packet.insert(packet.end(), pes.begin() + offset, pes.begin() + offset + n);
    packets.push_back(packet);
  }
  return packets;
}

inline std::filesystem::path DemoClip(const char *name) {
  return std::filesystem::path(QEV_DEMO_DIR) / (std::string(name) + "_av.ts");
}

inline TBytes ReadFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

// The packets of one PID in a clip, in order.
inline std::vector<const std::uint8_t *> PidPackets(const TBytes &clip, std::uint16_t pid) {
  std::vector<const std::uint8_t *> packets;
  for (std::size_t at = 0; at + 188 <= clip.size(); at += 188) {
    const std::uint8_t *p = clip.data() + at;
    if (p[0] == 0x47 && (((p[1] & 0x1F) << 8) | p[2]) == pid)
      packets.push_back(p);
  }
  return packets;
}

// What a watcher learns from the clip's packets of `pid`.
inline std::optional<video::TMediaType> WatchClip(const TBytes &clip, std::uint16_t pid,
                                                  video::TMajorType kind) {
  video::TEsTypeWatcher watcher(kind);
  for (const std::uint8_t *packet : PidPackets(clip, pid))
    if (watcher.Feed(packet))
      break;
  return watcher.Current();
}

} // namespace qev::test
