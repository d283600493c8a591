#include "diagnostics/ts_statistics.h"

namespace qev::diagnostics {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr std::uint16_t kNullPid = 0x1FFF;
constexpr std::uint8_t kStateWaiting = 1;
constexpr std::uint8_t kStateClassified = 2;
constexpr double kPcrHz = 27'000'000.0;

void Increment(std::atomic<std::uint32_t> &counter) {
  counter.store(counter.load(kRelaxed) + 1, kRelaxed);
}

bool Discontinuity(const std::uint8_t *p) {
  return HasAdaptation(p) && p[4] > 0 && (p[5] & 0x80) != 0;
}

std::optional<std::uint64_t> PacketPcr(const std::uint8_t *p) {
  if (!HasAdaptation(p) || p[4] < 7 || (p[5] & 0x10) == 0)
    return std::nullopt;
  const std::uint64_t base = std::uint64_t{p[6]} << 25 | std::uint64_t{p[7]} << 17 |
                             std::uint64_t{p[8]} << 9 | std::uint64_t{p[9]} << 1 | p[10] >> 7;
  const std::uint64_t extension = (std::uint64_t{p[10]} & 1) << 8 | p[11];
  return base * 300 + extension;
}

} // namespace

double PacketRateKBs(std::uint64_t packets, std::int64_t elapsedMs) {
  if (elapsedMs <= 0)
    return 0;
  return static_cast<double>(packets) * kTsPacketSize * 1000.0 / static_cast<double>(elapsedMs) /
         1024.0;
}

TTsStatistics::TTsStatistics() { Reset(); }

void TTsStatistics::Reset() {
  for (TPidStat &s : pids_) {
    s.PacketCount.store(0, kRelaxed);
    s.ScrambledCount.store(0, kRelaxed);
    s.CcErrors.store(0, kRelaxed);
    s.DataType.store(kTypeUnknown, kRelaxed);
    s.ClassState.store(kStateWaiting, kRelaxed);
    s.LastCc = -1;
    s.Repeated = false;
  }
  rates_.fill(TPidRate{});
  pcr_.fill(TPcrSpan{});
  total_.store(0, kRelaxed);
  packetNumber_ = 0;
  totalRate_ = TPidRate{};
  totalPrev_ = 0;
  maxRate_ = 0;
}

void TTsStatistics::CountPackets(std::span<const std::uint8_t> block) {
  for (std::size_t at = 0; at + kTsPacketSize <= block.size(); at += kTsPacketSize)
    CountOne(block.data() + at);
}

void TTsStatistics::CountOne(const std::uint8_t *packet) {
  total_.store(total_.load(kRelaxed) + 1, kRelaxed);
  const std::uint16_t pid = PacketPid(packet);
  TPidStat &stat = pids_[pid];
  Increment(stat.PacketCount);
  Continuity(stat, packet);
  ObservePcr(pid, packet);
  ++packetNumber_;
  if (Scrambled(packet)) {
    Increment(stat.ScrambledCount);
    if (stat.ClassState.load(kRelaxed) == kStateWaiting) {
      stat.DataType.store(kTypeScrambled, kRelaxed);
      stat.ClassState.store(kStateClassified, kRelaxed);
    }
  } else if (stat.ClassState.load(kRelaxed) == kStateWaiting && UnitStart(packet)) {
    const std::int16_t type = Classify(packet);
    stat.DataType.store(type, kRelaxed);
    if (type != kTypeUnknown)
      stat.ClassState.store(kStateClassified, kRelaxed);
  }
}

// The counter steps on every packet with payload; one repetition of a packet is allowed, and a
// discontinuity indicator starts the count afresh.
void TTsStatistics::Continuity(TPidStat &stat, const std::uint8_t *packet) {
  if (PacketPid(packet) == kNullPid)
    return;
  const int cc = packet[3] & 0x0F;
  const int last = stat.LastCc;
  if (!HasPayload(packet)) {
    if (last < 0)
      stat.LastCc = cc;
    return;
  }
  if (last >= 0 && !Discontinuity(packet)) {
    if (cc == last && !stat.Repeated) {
      stat.Repeated = true;
      return;
    }
    if (cc != ((last + 1) & 0x0F))
      Increment(stat.CcErrors);
  }
  stat.Repeated = false;
  stat.LastCc = cc;
}

void TTsStatistics::ObservePcr(std::uint16_t pid, const std::uint8_t *packet) {
  const std::optional<std::uint64_t> pcr = PacketPcr(packet);
  if (!pcr)
    return;
  TPcrSpan &span = pcr_[pid];
  if (span.Count++ == 0) {
    span.FirstPcr = *pcr;
    span.FirstPacket = packetNumber_;
  }
  span.LastPcr = *pcr;
  span.LastPacket = packetNumber_;
}

std::optional<double> TTsStatistics::PcrBitRate() const {
  const TPcrSpan *best = nullptr;
  for (const TPcrSpan &span : pcr_)
    if (span.Count >= 2 && (!best || span.Count > best->Count))
      best = &span;
  if (!best || best->LastPcr <= best->FirstPcr || best->LastPacket <= best->FirstPacket)
    return std::nullopt;
  const double seconds = static_cast<double>(best->LastPcr - best->FirstPcr) / kPcrHz;
  return static_cast<double>(best->LastPacket - best->FirstPacket) * kTsPacketSize * 8 / seconds;
}

bool TTsStatistics::ComputeRates(std::int64_t elapsedMs) {
  if (elapsedMs <= 0)
    return false;
  const auto totalNow = static_cast<std::uint32_t>(total_.load(kRelaxed));
  totalRate_.RateKBs = PacketRateKBs(totalNow - totalPrev_, elapsedMs);
  totalPrev_ = totalNow;
  maxRate_ = 0;
  for (int pid = 0; pid < kPidCount; ++pid) {
    TPidRate &rate = rates_[pid];
    const std::uint32_t now = pids_[pid].PacketCount.load(kRelaxed);
    rate.RateKBs = PacketRateKBs(now - rate.PrevCount, elapsedMs);
    rate.PrevCount = now;
    maxRate_ = std::max(maxRate_, rate.RateKBs);
  }
  return true;
}

} // namespace qev::diagnostics
