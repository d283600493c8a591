#pragma once

#include "si/psi_scan_thread.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace qev::device {
class TDeviceModule;
}

namespace qev::si {

// Section filters on the loaded device module: whole sections of one PID, delivered by the
// module in its section mode, the table filtered on our side.
class TDeviceFilterSource final : public SectionFilterSource {
public:
  explicit TDeviceFilterSource(device::TDeviceModule &device);
  // Closes the filters a consumer left open.
  ~TDeviceFilterSource() override;
  TDeviceFilterSource(const TDeviceFilterSource &) = delete;
  TDeviceFilterSource &operator=(const TDeviceFilterSource &) = delete;

  std::int32_t OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                          DataCallback callback) override;
  void CloseFilter(std::int32_t handle) override;

private:
  struct Consumer;

  static void Deliver(const std::uint8_t *data, std::int32_t length, void *context) noexcept;

  device::TDeviceModule &device_;
  std::mutex mutex_;
  // The consumers of the running filters, at addresses the module hands back as context.
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> consumers_;
};

} // namespace qev::si
