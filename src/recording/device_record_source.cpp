#include "recording/device_record_source.h"

#include "devapi/qev_devapi.h"
#include "device/device_module.h"
#include "device/switch_hooks.h"
#include "device/tuning_engine.h"

#include <algorithm>

namespace qev::recording {

std::int32_t TDeviceRecordSource::StartFilter(std::uint16_t pid, std::uint8_t mode,
                                              DataCallback callback) {
  return consumers_.Start(
      pid, mode, nullptr, nullptr,
      [callback = std::move(callback)](std::span<const std::uint8_t> data) {
        callback(data.data(), data.size());
      },
      QEV_FILTER_BULK);
}

bool TDeviceRecordSource::Packets188() const { return device_.Description().Packets188 != 0; }

std::string TDeviceRecordSource::StreamExtension() const {
  const DeviceDescription description = device_.Description();
  const std::size_t length =
      std::min<std::size_t>(description.StreamExtLength, sizeof description.StreamExt);
  const std::string text(description.StreamExt, length);
  return text.substr(0, text.find('\0'));
}

void PlugSwitchHooks(device::TTuningEngine &engine, TRecorder &recorder) {
  device::TSwitchHooks &hooks = engine.Hooks();
  hooks.RecordingActive = [&recorder] { return recorder.RecIsActive(); };
  hooks.SlotRecorded = [&recorder](int slot) { return recorder.RecIsAvSlotActive(slot); };
  hooks.RecStopAll = [&recorder] { recorder.RecStopAll(); };
  hooks.StartRecording = [&engine, &recorder](int slot, int minutes) {
    if (slot < 0 || slot > 3)
      return;
    recorder.RecStartChannel(engine.Slot(slot).CurrentChannel, static_cast<std::uint8_t>(slot),
                             minutes, false);
  };
}

void UnplugSwitchHooks(device::TSwitchHooks &hooks) {
  hooks.RecordingActive = nullptr;
  hooks.SlotRecorded = nullptr;
  hooks.RecStopAll = nullptr;
  hooks.StartRecording = nullptr;
}

} // namespace qev::recording
