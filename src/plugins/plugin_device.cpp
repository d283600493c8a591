#include "plugins/plugin_device.h"

#include "device/device_module.h"

namespace qev::plugins {

bool TModulePluginDevice::Packets188() { return module_.Description().Packets188 != 0; }

std::int32_t TModulePluginDevice::StartFilter(std::uint16_t pid, std::uint16_t mode,
                                              std::uint8_t flags, FilterCallback callback,
                                              void *context) {
  return module_.StartFilter(pid, callback, mode, nullptr, nullptr, flags, context);
}

std::int32_t TModulePluginDevice::StopFilter(std::int32_t handle) {
  return module_.StopFilter(handle);
}

std::int32_t TModulePluginDevice::PassPluginData(int slot, const std::uint8_t *block) {
  return module_.PassPluginData(slot, block);
}

} // namespace qev::plugins
