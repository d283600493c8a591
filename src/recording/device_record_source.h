#pragma once

#include "device/filter_consumers.h"
#include "recording/recorder.h"

namespace qev::device {
struct TSwitchHooks;
class TTuningEngine;
} // namespace qev::device

namespace qev::recording {

// The recorder's filters on the loaded device module. Filters left running stop when the source
// goes.
class TDeviceRecordSource final : public IRecordSource {
public:
  explicit TDeviceRecordSource(device::TDeviceModule &device)
      : device_(device), consumers_(device) {}

  std::int32_t StartFilter(std::uint16_t pid, std::uint8_t mode, DataCallback callback) override;
  void StopFilter(std::int32_t handle) override { consumers_.Stop(handle); }
  bool Packets188() const override;
  std::string StreamExtension() const override;

private:
  device::TDeviceModule &device_;
  device::TFilterConsumers consumers_;
};

// The tuning engine's questions about recordings and its "switch and record" go to the
// recorder; a recording started this way never asks.
void PlugSwitchHooks(device::TTuningEngine &engine, TRecorder &recorder);
void UnplugSwitchHooks(device::TSwitchHooks &hooks);

} // namespace qev::recording
