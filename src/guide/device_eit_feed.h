#pragma once

#include "device/filter_consumers.h"
#include "guide/epg_collector.h"

namespace qev::guide {

// The EIT payload filter on the loaded device module: PID 0x12, whole 184-byte payloads, low
// latency.
class TDeviceEitFeed final : public IEitFeed {
public:
  static constexpr std::uint16_t kEitPid = 0x12;

  explicit TDeviceEitFeed(device::TDeviceModule &device) : consumers_(device) {}

  std::int32_t Open(DataCallback callback) override;
  void Close(std::int32_t handle) override { consumers_.Stop(handle); }

private:
  // Stops a filter left open when the feed goes.
  device::TFilterConsumers consumers_;
};

} // namespace qev::guide
