#pragma once

#include "devapi/qev_devapi.h"

#include <cstdint>
#include <span>

namespace qev::device {

class TDeviceModule;

// GetDeviceInfo code of the DiSEqC level; 11 or more means the device sends DiSEqC.
inline constexpr std::int32_t kInfoDiseqcLevel = 1;
inline constexpr std::intptr_t kMinDiseqcLevel = 11;

// The operations tuning needs from the device, so tuning can be tested against a fake.
class ITunerDevice {
public:
  virtual ~ITunerDevice() = default;
  virtual std::int32_t Tune(const TuneRequest &request) = 0;
  virtual std::int32_t GetSignalStatus(SignalStatus &status) = 0;
  // A message (burst 0), or a tone burst without bytes (burst 1 = A, 2 = B).
  virtual std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) = 0;
  virtual std::intptr_t DiseqcLevel() = 0;
};

// The loaded device module.
class TModuleTunerDevice final : public ITunerDevice {
public:
  explicit TModuleTunerDevice(TDeviceModule &module) : module_(module) {}
  std::int32_t Tune(const TuneRequest &request) override;
  std::int32_t GetSignalStatus(SignalStatus &status) override;
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) override;
  std::intptr_t DiseqcLevel() override;

private:
  TDeviceModule &module_;
};

} // namespace qev::device
