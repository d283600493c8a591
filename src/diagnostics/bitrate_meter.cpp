#include "diagnostics/bitrate_meter.h"

#include "diagnostics/legend_format.h"
#include "diagnostics/ts_classify.h"

#include <fmt/format.h>

#include <algorithm>

namespace qev::diagnostics {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::int32_t KBs(std::uint64_t bytes, std::int64_t ms) {
  if (ms <= 0)
    return 0;
  return static_cast<std::int32_t>(static_cast<double>(bytes) * 1000.0 / static_cast<double>(ms) /
                                   1024.0);
}

} // namespace

int PacketPayloadBytes(const std::uint8_t *p) {
  if (p[0] != 0x47 || !HasPayload(p))
    return 0;
  return HasAdaptation(p) ? std::max(0, 183 - int{p[4]}) : 184;
}

TBitrateMeter::TBitrateMeter(const data::TChannelRec &channel) {
  const int count = std::min<int>(channel.EsCount, std::size(channel.EsList));
  for (int i = 0; i < count && entries_.size() < kMaxBitrateStreams; ++i) {
    const data::TEsItem &es = channel.EsList[i];
    if (es.Kind < 1 || es.Kind > 3)
      continue;
    TBitrateEntry &entry = entries_.emplace_back();
    entry.Pid = es.Pid;
    entry.Kind = es.Kind;
    entry.Ticked = es.Pid == channel.VidPid || es.Pid == channel.AudPid;
  }
}

bool TBitrateMeter::AnyTicked() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const auto &e) { return e.Ticked; });
}

void TBitrateMeter::CountPayload(std::size_t index, std::span<const std::uint8_t> block) {
  if (index >= entries_.size())
    return;
  std::uint64_t bytes = 0;
  for (std::size_t at = 0; at + kTsPacketSize <= block.size(); at += kTsPacketSize)
    bytes += static_cast<std::uint64_t>(PacketPayloadBytes(block.data() + at));
  std::atomic<std::uint64_t> &total = entries_[index].TotalBytes;
  total.store(total.load(kRelaxed) + bytes, kRelaxed);
}

void TBitrateMeter::ResetCounters(std::int64_t nowMs) {
  for (TBitrateEntry &e : entries_) {
    e.TotalBytes.store(0, kRelaxed);
    e.LastBytes = 0;
    e.CurrentRate = e.AverageRate = 0;
    e.StartMs = e.LastMs = nowMs;
  }
}

void TBitrateMeter::Start(int ticks, std::int64_t nowMs) {
  ResetCounters(nowMs);
  timed_ = ticks > 0;
  ticksLeft_ = std::max(0, ticks);
  running_ = true;
}

bool TBitrateMeter::Tick(std::int64_t nowMs) {
  for (TBitrateEntry &e : entries_) {
    const std::uint64_t total = e.TotalBytes.load(kRelaxed);
    e.CurrentRate = KBs(total - e.LastBytes, nowMs - e.LastMs);
    e.LastMs = nowMs;
    e.LastBytes = total;
    e.AverageRate = KBs(total, nowMs - e.StartMs);
  }
  if (!running_ || !timed_)
    return false;
  if (--ticksLeft_ > 0)
    return false;
  running_ = false;
  return true;
}

std::string RunningLegend(const TBitrateEntry &entry) {
  return fmt::format("{:04X}: %3d KB/s", entry.Pid);
}

std::string StoppedLegend(const TBitrateEntry &entry) {
  return fmt::format("{:04X}: {}", entry.Pid, FormatLegend("%3d KB/s", entry.AverageRate));
}

} // namespace qev::diagnostics
