#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace qev::sim {

// Watches the audio and video PIDs of AV slots 0 and 1 in the played stream and reports, when
// it changes, which of them flowed in the last period: the value of callback message 3
// (0x10 or 0x20 for the slot, + 1 audio, + 2 video).
class AvFlowMonitor {
public:
  using Clock = std::chrono::steady_clock;
  using Report = std::function<void(std::int32_t value)>;
  static constexpr auto kPeriod = std::chrono::milliseconds(250);
  static constexpr int kSlots = 2;

  explicit AvFlowMonitor(Report report) : report_(std::move(report)) {}

  // From any thread.
  void SetPids(int slot, std::uint16_t audioPid, std::uint16_t videoPid);
  // On the player thread.
  void Observe(std::uint16_t pid);
  void Tick(Clock::time_point now);

private:
  static constexpr int kAudio = 1;
  static constexpr int kVideo = 2;

  Report report_;
  std::array<std::atomic<std::uint32_t>, kSlots> pids_{}; // audio << 16 | video; 0: none
  std::array<int, kSlots> seen_{};
  std::array<int, kSlots> reported_{};
  Clock::time_point periodStart_;
};

} // namespace qev::sim
