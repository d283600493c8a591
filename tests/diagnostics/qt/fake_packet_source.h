#pragma once

#include "diagnostics/packet_source.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::test {

// Filters that a test feeds by hand, or that a thread of their own feeds with one block over
// and over, as a device's delivery thread would.
class TFakePacketSource final : public diagnostics::TPacketSource {
public:
  ~TFakePacketSource() override { StopPump(); }

  std::int32_t Start(std::uint16_t pid, TConsumer consumer) override {
    std::lock_guard lock(mutex_);
    const std::int32_t handle = ++next_;
    filters_[handle] = {pid, std::move(consumer)};
    ++started;
    return handle;
  }
  void Stop(std::int32_t handle) override {
    std::lock_guard lock(mutex_);
    filters_.erase(handle);
  }
  // Delivers the block to every filter on that PID (or on all PIDs).
  void Deliver(std::uint16_t pid, const std::vector<std::uint8_t> &block) {
    std::lock_guard lock(mutex_);
    for (auto &[handle, filter] : filters_)
      if (filter.first == pid)
        filter.second(block);
  }
  std::size_t Running() {
    std::lock_guard lock(mutex_);
    return filters_.size();
  }
  void StartPump(std::uint16_t pid, std::vector<std::uint8_t> block) {
    pump_ = std::thread([this, pid, block = std::move(block)] {
      while (!stopPump_)
        Deliver(pid, block);
    });
  }
  void StopPump() {
    stopPump_ = true;
    if (pump_.joinable())
      pump_.join();
  }

  int started = 0;

private:
  std::mutex mutex_;
  std::int32_t next_ = 0;
  std::map<std::int32_t, std::pair<std::uint16_t, TConsumer>> filters_;
  std::atomic<bool> stopPump_{false};
  std::thread pump_;
};

} // namespace qev::test
