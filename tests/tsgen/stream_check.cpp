#include "stream_check.h"

#include <fmt/format.h>

#include <map>
#include <optional>

namespace qev::tsgen::test {
namespace {

constexpr std::size_t kPacket = 188;

std::uint16_t PidOf(const std::uint8_t *p) { return (p[1] & 0x1F) << 8 | p[2]; }

std::optional<std::uint64_t> PcrOf(const std::uint8_t *p) {
  if ((p[3] & 0x20) == 0 || p[4] < 7 || (p[5] & 0x10) == 0) {
    return std::nullopt;
  }
  const std::uint64_t base = std::uint64_t{p[6]} << 25 | std::uint64_t{p[7]} << 17 |
                             std::uint64_t{p[8]} << 9 | std::uint64_t{p[9]} << 1 | p[10] >> 7;
  return base * 300 + ((p[10] & 1) << 8 | p[11]);
}

std::uint64_t Timestamp(const std::uint8_t *t) {
  return (std::uint64_t{t[0]} >> 1 & 7) << 30 | std::uint64_t{t[1]} << 22 |
         (std::uint64_t{t[2]} >> 1) << 15 | std::uint64_t{t[3]} << 7 | t[4] >> 1;
}

// The decoding time (or the presentation time when there is no other) of a PES start; none
// when the payload is scrambled.
std::optional<std::uint64_t> DecodingTime(const std::uint8_t *p) {
  std::size_t at = 4 + ((p[3] & 0x20) ? 1 + p[4] : 0);
  if ((p[1] & 0x40) == 0 || (p[3] & 0xC0) != 0 || at + 19 > kPacket || p[at] || p[at + 1] ||
      p[at + 2] != 1 || (p[at + 7] & 0x80) == 0) {
    return std::nullopt;
  }
  const std::uint8_t *pts = p + at + 9;
  return Timestamp((p[at + 7] & 0xC0) == 0xC0 ? pts + 5 : pts);
}

// Arrival of each packet in 27 MHz ticks, from the PCRs of the first PID that has them.
std::vector<double> ArrivalTimes(std::span<const std::uint8_t> stream, StreamCheck &check) {
  const std::size_t count = stream.size() / kPacket;
  std::vector<std::pair<std::size_t, std::uint64_t>> pcrs;
  std::optional<std::uint16_t> pcrPid;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t *p = stream.data() + i * kPacket;
    const auto pcr = PcrOf(p);
    if (!pcr || (pcrPid && *pcrPid != PidOf(p))) {
      continue;
    }
    pcrPid = PidOf(p);
    if (!pcrs.empty()) {
      const double ms =
          (static_cast<double>(*pcr) - static_cast<double>(pcrs.back().second)) / 27000.0;
      if (*pcr < pcrs.back().second) {
        check.pcrErrors.push_back(fmt::format("PCR steps back at packet {}", i));
      }
      check.largestPcrIntervalMs = std::max(check.largestPcrIntervalMs, ms);
    }
    pcrs.push_back({i, *pcr});
  }
  std::vector<double> times(count, 0);
  if (pcrs.size() < 2) {
    return times;
  }
  const auto &[i0, t0] = pcrs.front();
  const auto &[i1, t1] = pcrs.back();
  const double slope =
      (static_cast<double>(t1) - static_cast<double>(t0)) / static_cast<double>(i1 - i0);
  for (std::size_t i = 0; i < count; ++i) {
    times[i] = static_cast<double>(t0) + (static_cast<double>(i) - static_cast<double>(i0)) * slope;
  }
  return times;
}

} // namespace

StreamCheck StreamCheck::Of(std::span<const std::uint8_t> stream) {
  StreamCheck check;
  const std::vector<double> arrival = ArrivalTimes(stream, check);
  std::map<std::uint16_t, unsigned> continuity;
  std::map<std::uint16_t, std::uint64_t> openPes; // PID → decoding time of the PES being sent
  std::map<std::uint16_t, std::size_t> lastPacket;
  const auto closePes = [&](std::uint16_t pid) {
    const auto it = openPes.find(pid);
    if (it != openPes.end()) {
      const double margin =
          (static_cast<double>(it->second) * 300 - arrival[lastPacket[pid]]) / 27000.0;
      check.smallestPesMarginMs = std::min(check.smallestPesMarginMs, margin);
      ++check.pesCount;
      openPes.erase(it);
    }
  };
  for (std::size_t i = 0; i < arrival.size(); ++i) {
    const std::uint8_t *p = stream.data() + i * kPacket;
    const std::uint16_t pid = PidOf(p);
    if (pid == 0x1FFF || (p[3] & 0x10) == 0) {
      continue;
    }
    const unsigned cc = p[3] & 0x0F;
    if (const auto it = continuity.find(pid);
        it != continuity.end() && cc != ((it->second + 1) & 0x0F)) {
      check.continuityErrors.push_back(
          fmt::format("PID 0x{:04X} packet {}: {} after {}", pid, i, cc, it->second));
    }
    continuity[pid] = cc;
    if (p[1] & 0x40) {
      closePes(pid);
      if (const auto dts = DecodingTime(p)) {
        openPes[pid] = *dts;
      }
    }
    lastPacket[pid] = i;
  }
  return check;
}

} // namespace qev::tsgen::test
