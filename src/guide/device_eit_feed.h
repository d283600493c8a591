#pragma once

#include "guide/epg_collector.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace qev::device {
class TDeviceModule;
}

namespace qev::guide {

// The EIT payload filter on the loaded device module: PID 0x12, whole 184-byte payloads, low
// latency.
class TDeviceEitFeed final : public IEitFeed {
public:
  static constexpr std::uint16_t kEitPid = 0x12;

  explicit TDeviceEitFeed(device::TDeviceModule &device);
  // Closes a filter left open.
  ~TDeviceEitFeed() override;
  TDeviceEitFeed(const TDeviceEitFeed &) = delete;
  TDeviceEitFeed &operator=(const TDeviceEitFeed &) = delete;

  std::int32_t Open(DataCallback callback) override;
  void Close(std::int32_t handle) override;

private:
  struct Consumer;

  static void Deliver(const std::uint8_t *data, std::int32_t length, void *context) noexcept;

  device::TDeviceModule &device_;
  std::mutex mutex_;
  // The consumers of the open filters, at addresses the module hands back as context.
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> consumers_;
};

} // namespace qev::guide
