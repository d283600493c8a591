#pragma once
// What the plugin host asks of the device module: filters for plugins, their commands for the
// device, and whether whole packets can be delivered. Apart from the module so tests can stand
// in for it.

#include "devapi/qev_devapi.h"

#include <cstdint>

namespace qev::device {
class TDeviceModule;
}

namespace qev::plugins {

class IPluginDevice {
public:
  virtual ~IPluginDevice() = default;
  virtual bool Packets188() = 0;
  // A handle > 0, else refused. Once StopFilter has returned, the callback is not running and
  // is not called again.
  virtual std::int32_t StartFilter(std::uint16_t pid, std::uint16_t mode, std::uint8_t flags,
                                   FilterCallback callback, void *context) = 0;
  // 0 when the module closed it.
  virtual std::int32_t StopFilter(std::int32_t handle) = 0;
  // The 14-byte block; the module's answer (0 refused).
  virtual std::int32_t PassPluginData(int slot, const std::uint8_t *block) = 0;
};

// The loaded device module.
class TModulePluginDevice final : public IPluginDevice {
public:
  explicit TModulePluginDevice(device::TDeviceModule &module) : module_(module) {}
  bool Packets188() override;
  std::int32_t StartFilter(std::uint16_t pid, std::uint16_t mode, std::uint8_t flags,
                           FilterCallback callback, void *context) override;
  std::int32_t StopFilter(std::int32_t handle) override;
  std::int32_t PassPluginData(int slot, const std::uint8_t *block) override;

private:
  device::TDeviceModule &module_;
};

} // namespace qev::plugins
