#include "av_flow_monitor.h"

namespace qev::sim {

namespace {

constexpr std::int32_t kSlotBase[AvFlowMonitor::kSlots] = {0x10, 0x20};
constexpr std::uint16_t kNoPid = 0x1FFF;

} // namespace

void AvFlowMonitor::SetPids(int slot, std::uint16_t audioPid, std::uint16_t videoPid) {
  if (slot >= 0 && slot < kSlots)
    pids_[slot].store((std::uint32_t(audioPid) << 16) | videoPid);
}

void AvFlowMonitor::Observe(std::uint16_t pid) {
  if (pid == 0 || pid >= kNoPid)
    return;
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::uint32_t pids = pids_[slot].load(std::memory_order_relaxed);
    if (pid == (pids >> 16))
      seen_[slot] |= kAudio;
    if (pid == (pids & 0xFFFF))
      seen_[slot] |= kVideo;
  }
}

void AvFlowMonitor::Tick(Clock::time_point now) {
  if (now - periodStart_ < kPeriod)
    return;
  periodStart_ = now;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (seen_[slot] != reported_[slot]) {
      reported_[slot] = seen_[slot];
      report_(kSlotBase[slot] + seen_[slot]);
    }
    seen_[slot] = 0;
  }
}

} // namespace qev::sim
