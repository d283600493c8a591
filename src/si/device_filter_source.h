#pragma once

#include "si/psi_scan_thread.h"

namespace qev::device {
class TDeviceModule;
}

namespace qev::si {

// Section filters on the loaded device module: whole sections of one PID, delivered by the
// module in its section mode, the table filtered on our side.
class TDeviceFilterSource final : public SectionFilterSource {
public:
  explicit TDeviceFilterSource(device::TDeviceModule &device) : device_(device) {}

  std::int32_t OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                          DataCallback callback) override;
  void CloseFilter(std::int32_t handle) override;

private:
  device::TDeviceModule &device_;
};

} // namespace qev::si
