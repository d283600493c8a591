#pragma once

#include "device/filter_consumers.h"
#include "si/psi_scan_thread.h"

namespace qev::si {

// Section filters on the loaded device module: whole sections of one PID, delivered by the
// module in its section mode, the table filtered on our side.
class TDeviceFilterSource final : public SectionFilterSource {
public:
  explicit TDeviceFilterSource(device::TDeviceModule &device) : consumers_(device) {}

  std::int32_t OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                          DataCallback callback) override;
  void CloseFilter(std::int32_t handle) override { consumers_.Stop(handle); }

private:
  // Stops the filters a consumer left open when the source goes.
  device::TFilterConsumers consumers_;
};

} // namespace qev::si
