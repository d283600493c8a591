#pragma once

#include "devapi/qev_devapi.h"
#include "device/device_module.h"

#include <cstdint>

namespace qev::device {

// The device calls of a channel switch, apart so that the engine can be tested and watched
// without a module.
class IAvDevice {
public:
  virtual ~IAvDevice() = default;
  virtual std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid,
                                      std::uint16_t videoPid, std::uint16_t pcrPid,
                                      std::int32_t flags) = 0;
  virtual std::int32_t SetTeletextPid(std::int32_t pid) = 0;
  virtual std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound) = 0;
  virtual std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture) = 0;
};

// The calls going to a loaded module.
class TModuleAvDevice final : public IAvDevice {
public:
  explicit TModuleAvDevice(TDeviceModule &module) : module_(module) {}

  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags) override {
    return module_.SetChannelPids(slot, audioPid, videoPid, pcrPid, flags);
  }
  std::int32_t SetTeletextPid(std::int32_t pid) override { return module_.SetTeletextPid(pid); }
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound) override {
    return module_.AudioControl(slot, write, sound);
  }
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture) override {
    return module_.PictureControl(slot, write, picture);
  }

private:
  TDeviceModule &module_;
};

} // namespace qev::device
