#include "input_stream.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace qev::tsgen {
namespace {

constexpr std::uint64_t kTimestampMask = 0x1FFFFFFFFull;

std::vector<TsPacket> SplitPackets(const std::vector<std::uint8_t> &data) {
  std::vector<TsPacket> packets;
  std::size_t at = 0;
  while (at + kPacketSize <= data.size()) {
    if (data[at] != 0x47) {
      ++at; // resynchronise on the next sync byte
      continue;
    }
    TsPacket p;
    std::memcpy(p.bytes.data(), data.data() + at, kPacketSize);
    packets.push_back(p);
    at += kPacketSize;
  }
  return packets;
}

std::size_t PayloadOffset(const TsPacket &p) {
  const bool adaptation = (p.bytes[3] & 0x20) != 0;
  return 4 + (adaptation ? 1 + std::size_t{p.bytes[4]} : 0);
}

// Offset of the PES header's flags byte (PTS_DTS_flags) in a packet starting a PES packet, when
// the header lies in this packet and carries a time stamp.
std::optional<std::size_t> TimestampFlags(const TsPacket &p) {
  const std::size_t at = PayloadOffset(p);
  const auto &b = p.bytes;
  if ((b[1] & 0x40) == 0 || !p.HasPayload() || at + 19 > kPacketSize || b[at] != 0 ||
      b[at + 1] != 0 || b[at + 2] != 1 || (b[at + 7] & 0x80) == 0) {
    return std::nullopt;
  }
  return at + 7;
}

std::uint64_t ReadTimestamp(const std::uint8_t *t) {
  return (std::uint64_t{t[0]} >> 1 & 7) << 30 | std::uint64_t{t[1]} << 22 |
         (std::uint64_t{t[2]} >> 1) << 15 | std::uint64_t{t[3]} << 7 | t[4] >> 1;
}

void WriteTimestamp(std::uint8_t *t, std::uint64_t value) {
  t[0] = static_cast<std::uint8_t>((t[0] & 0xF1) | (value >> 29 & 0x0E));
  t[1] = static_cast<std::uint8_t>(value >> 22);
  t[2] = static_cast<std::uint8_t>((value >> 14 & 0xFE) | 1);
  t[3] = static_cast<std::uint8_t>(value >> 7);
  t[4] = static_cast<std::uint8_t>((value << 1 & 0xFE) | 1);
}

struct Stamps {
  std::uint64_t pts;
  std::uint64_t dts;
};

Stamps ReadStamps(const TsPacket &p, std::size_t flags) {
  const std::uint8_t *pts = p.bytes.data() + flags + 2;
  const bool hasDts = (p.bytes[flags] & 0xC0) == 0xC0;
  return {ReadTimestamp(pts), ReadTimestamp(hasDts ? pts + 5 : pts)};
}

// A packet of the clip as it will be sent: our PID, no discontinuity, the PCR stamped anew, and
// video PES packets unbounded, as a transport stream allows: a stream cut anywhere then ends
// with whole video PES packets.
TsPacket Remapped(TsPacket p, std::uint16_t pid) {
  if (const auto flags = TimestampFlags(p); flags && (p.bytes[*flags - 4] & 0xF0) == 0xE0) {
    p.bytes[*flags - 3] = 0;
    p.bytes[*flags - 2] = 0;
  }
  p.SetPid(pid);
  p.stampPcr = p.HasPcr();
  if ((p.bytes[3] & 0x20) != 0 && p.bytes[4] > 0) {
    p.bytes[5] &= 0x7F; // discontinuity_indicator
  }
  return p;
}

// How a stream's presentation times advance over the clip.
struct Pace {
  std::uint64_t span = 0; // from the first to the last presentation
  std::uint64_t step = 1; // the shortest step between two
  bool even = true;       // every step is that one, give or take a tick of rounding

  // The clip's length as this stream tells it: its last PES lasts as long as the others.
  std::uint64_t Length() const { return span + step; }
};

Pace PaceOf(std::vector<std::uint64_t> pts) {
  std::sort(pts.begin(), pts.end());
  Pace pace;
  std::uint64_t frame = 0, longest = 0;
  for (std::size_t i = 1; i < pts.size(); ++i) {
    const std::uint64_t step = pts[i] - pts[i - 1];
    if (step > 0 && (frame == 0 || step < frame)) {
      frame = step;
    }
    longest = std::max(longest, step);
  }
  pace.span = pts.back() - pts.front();
  pace.step = std::max<std::uint64_t>(frame, 1);
  pace.even = longest <= pace.step + 1;
  return pace;
}

// A clip loops as a whole, so that its streams stay in step with each other: on the length that
// its evenly paced streams tell (one frame, or a fixed number of them, per PES). A stream that
// packs a varying number of frames into its PES packets, as remuxers do with AAC, cannot tell
// how long its last one lasts. The loop is never shorter than any stream.
std::uint64_t ClipLength(const std::vector<Pace> &paces) {
  std::uint64_t length = UINT64_MAX, longestSpan = 0, longestUneven = 0;
  for (const Pace &pace : paces) {
    longestSpan = std::max(longestSpan, pace.span);
    if (pace.even) {
      length = std::min(length, pace.Length());
    } else {
      longestUneven = std::max(longestUneven, pace.Length());
    }
  }
  if (length == UINT64_MAX) {
    length = longestUneven;
  }
  return std::max(length, longestSpan + 1);
}

InputStream::Elementary ReadElementary(const std::vector<TsPacket> &packets, std::uint16_t from,
                                       std::uint16_t to, Pace &pace) {
  InputStream::Elementary es;
  es.pid = to;
  std::vector<std::uint64_t> pts;
  std::uint64_t firstDts = 0;
  for (const TsPacket &p : packets) {
    if (p.Pid() != from) {
      continue;
    }
    const auto flags = TimestampFlags(p);
    if (flags) {
      const Stamps s = ReadStamps(p, *flags);
      if (es.units.empty()) {
        firstDts = s.dts;
      }
      if (!es.units.empty()) {
        es.units.back().end = es.packets.size();
      }
      es.units.push_back({(s.dts - firstDts) & kTimestampMask, es.packets.size(), 0});
      pts.push_back((s.pts - firstDts) & kTimestampMask);
    } else if (es.units.empty()) {
      continue; // the rest of a PES packet that began before the clip
    }
    es.packets.push_back(Remapped(p, to));
    es.bytes += kPacketSize;
  }
  if (es.units.empty()) {
    throw std::runtime_error("the input carries no time-stamped PES on PID " +
                             std::to_string(from));
  }
  es.units.back().end = es.packets.size();
  es.firstDts90 = firstDts;
  pace = PaceOf(std::move(pts));
  return es;
}

} // namespace

void InputStream::ShiftTimestamps(TsPacket &packet, std::uint64_t shift90) {
  const auto flags = TimestampFlags(packet);
  if (!flags) {
    return;
  }
  std::uint8_t *pts = packet.bytes.data() + *flags + 2;
  WriteTimestamp(pts, (ReadTimestamp(pts) + shift90) & kTimestampMask);
  if ((packet.bytes[*flags] & 0xC0) == 0xC0) {
    WriteTimestamp(pts + 5, (ReadTimestamp(pts + 5) + shift90) & kTimestampMask);
  }
}

InputStream InputStream::Load(const std::string &path,
                              const std::map<std::uint16_t, std::uint16_t> &remap) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  if (in.bad()) {
    throw std::runtime_error("cannot read " + path);
  }
  return Parse(data, remap);
}

InputStream InputStream::Parse(const std::vector<std::uint8_t> &data,
                               const std::map<std::uint16_t, std::uint16_t> &remap) {
  const std::vector<TsPacket> packets = SplitPackets(data);
  if (packets.empty()) {
    throw std::runtime_error("the input holds no transport packets");
  }
  InputStream stream;
  std::vector<Pace> paces;
  for (const auto &[from, to] : remap) {
    stream.streams_.push_back(ReadElementary(packets, from, to, paces.emplace_back()));
  }
  const std::uint64_t length = ClipLength(paces);
  for (Elementary &es : stream.streams_) {
    es.period90 = length;
  }
  return stream;
}

} // namespace qev::tsgen
