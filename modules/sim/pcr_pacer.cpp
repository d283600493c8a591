#include "pcr_pacer.h"

#include <algorithm>

namespace qev::sim {

namespace {

constexpr std::uint64_t kTicksPerSecond = 27'000'000;
constexpr auto kLargestJump = std::chrono::seconds(1);
constexpr auto kLargestInterval = std::chrono::milliseconds(100);

} // namespace

std::optional<std::uint64_t> ReadPcr(const std::uint8_t *p) {
  const bool adaptation = (p[3] & 0x20) != 0;
  if (!adaptation || p[4] < 7 || (p[5] & 0x10) == 0)
    return std::nullopt;
  const std::uint64_t base = (std::uint64_t(p[6]) << 25) | (std::uint64_t(p[7]) << 17) |
                             (std::uint64_t(p[8]) << 9) | (std::uint64_t(p[9]) << 1) | (p[10] >> 7);
  const std::uint64_t extension = (std::uint64_t(p[10] & 0x01) << 8) | p[11];
  return base * 300 + extension;
}

PcrPacer::Clock::time_point PcrPacer::At(std::uint64_t pcr27) const {
  const std::uint64_t ticks = pcr27 - anchor_->pcr27;
  const auto nanos = std::chrono::nanoseconds(ticks * 1000 / 27);
  return anchor_->wall + std::chrono::duration_cast<Clock::duration>(nanos);
}

PcrPacer::Clock::time_point PcrPacer::Due(std::uint64_t pcr27, Clock::time_point now) {
  if (!anchor_) {
    anchor_ = Anchor{now, pcr27};
  } else {
    const bool backwards = pcr27 < lastPcr27_;
    const bool jump = !backwards && pcr27 - lastPcr27_ > kLargestJump.count() * kTicksPerSecond;
    if (backwards || jump)
      anchor_ = Anchor{lastDue_ + lastInterval_, pcr27};
    else if (now - At(pcr27) > kLargestJump)
      anchor_ = Anchor{now, pcr27};
  }
  const Clock::time_point due = At(pcr27);
  if (pcr27 != lastPcr27_)
    lastInterval_ = std::min<Clock::duration>(due - lastDue_, kLargestInterval);
  lastPcr27_ = pcr27;
  lastDue_ = due;
  return due;
}

} // namespace qev::sim
