#include "device/tuner_device.h"

#include "device/device_module.h"

namespace qev::device {

std::int32_t TModuleTunerDevice::Tune(const TuneRequest &request) { return module_.Tune(request); }

std::int32_t TModuleTunerDevice::GetSignalStatus(SignalStatus &status) {
  return module_.GetSignalStatus(status);
}

std::int32_t TModuleTunerDevice::SendDiseqc(std::span<const std::uint8_t> bytes,
                                            std::int32_t burst) {
  return module_.SendDiseqc(bytes, burst);
}

std::intptr_t TModuleTunerDevice::DiseqcLevel() {
  return module_.GetDeviceInfo(kInfoDiseqcLevel, 0);
}

} // namespace qev::device
