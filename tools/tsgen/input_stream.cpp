#include "input_stream.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace qev::tsgen {
namespace {

std::uint64_t ReadPcr(const TsPacket &p) {
  const auto &b = p.bytes;
  const std::uint64_t base = std::uint64_t{b[6]} << 25 | std::uint64_t{b[7]} << 17 |
                             std::uint64_t{b[8]} << 9 | std::uint64_t{b[9]} << 1 | b[10] >> 7;
  return base * 300 + ((b[10] & 1) << 8 | b[11]);
}

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

struct PcrPoint {
  std::size_t index;
  std::uint64_t pcr27;
};

std::vector<PcrPoint> PcrPoints(const std::vector<TsPacket> &packets) {
  std::vector<PcrPoint> points;
  std::optional<std::uint16_t> pcrPid;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    if (!packets[i].HasPcr() || (pcrPid && *pcrPid != packets[i].Pid())) {
      continue;
    }
    pcrPid = packets[i].Pid();
    const std::uint64_t pcr = ReadPcr(packets[i]);
    if (points.empty() || pcr > points.back().pcr27) {
      points.push_back({i, pcr});
    }
  }
  return points;
}

// Ticks per packet between two PCR points, or from the fallback bitrate.
double Slope(const std::vector<PcrPoint> &points, std::size_t k, double fallback) {
  if (points.size() < 2) {
    return fallback;
  }
  const PcrPoint &a = points[std::min(k, points.size() - 2)];
  const PcrPoint &b = points[std::min(k, points.size() - 2) + 1];
  return static_cast<double>(b.pcr27 - a.pcr27) / static_cast<double>(b.index - a.index);
}

} // namespace

InputStream InputStream::Load(const std::string &path,
                              const std::map<std::uint16_t, std::uint16_t> &remap,
                              std::uint64_t fallbackBitrate) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  return Parse(data, remap, fallbackBitrate);
}

InputStream InputStream::Parse(const std::vector<std::uint8_t> &data,
                               const std::map<std::uint16_t, std::uint16_t> &remap,
                               std::uint64_t fallbackBitrate) {
  const std::vector<TsPacket> packets = SplitPackets(data);
  if (packets.empty()) {
    throw std::runtime_error("the input holds no transport packets");
  }
  const std::vector<PcrPoint> points = PcrPoints(packets);
  const double fallback =
      27e6 * kPacketSize * 8 / static_cast<double>(std::max<std::uint64_t>(fallbackBitrate, 1));
  InputStream stream;
  const double origin = points.empty() ? 0.0 : static_cast<double>(points.front().pcr27);
  stream.firstPcr27_ = points.empty() ? 0 : points.front().pcr27;
  std::size_t k = 0;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const auto target = remap.find(packets[i].Pid());
    if (target == remap.end()) {
      continue;
    }
    while (k + 1 < points.size() && points[k + 1].index <= i) {
      ++k;
    }
    const double anchorPcr = points.empty() ? 0.0 : static_cast<double>(points[k].pcr27);
    const double anchorIndex = points.empty() ? 0.0 : static_cast<double>(points[k].index);
    const double t =
        anchorPcr - origin + (static_cast<double>(i) - anchorIndex) * Slope(points, k, fallback);
    Timed timed{static_cast<std::uint64_t>(std::max(0.0, t)), packets[i]};
    timed.packet.SetPid(target->second);
    timed.packet.stampPcr = timed.packet.HasPcr();
    stream.packets_.push_back(timed);
  }
  return stream;
}

} // namespace qev::tsgen
