#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace qev::device {
class TDeviceModule;
class TFilterConsumers;
} // namespace qev::device

namespace qev::diagnostics {

// PID 0x2000 asks the device for every packet of the transport stream.
inline constexpr std::uint16_t kAllPids = 0x2000;

// Whole 188-byte packets of one PID (or of all) for a diagnostic window.
class TPacketSource {
public:
  using TConsumer = std::function<void(std::span<const std::uint8_t>)>;
  virtual ~TPacketSource() = default;
  // A handle > 0, else the filter was refused.
  virtual std::int32_t Start(std::uint16_t pid, TConsumer consumer) = 0;
  // When it returns, the consumer is not called again.
  virtual void Stop(std::int32_t handle) = 0;
};

// Filters of delivery mode 188 on the device module.
class TDevicePacketSource final : public TPacketSource {
public:
  explicit TDevicePacketSource(device::TDeviceModule &device);
  ~TDevicePacketSource() override;
  std::int32_t Start(std::uint16_t pid, TConsumer consumer) override;
  void Stop(std::int32_t handle) override;

private:
  std::unique_ptr<device::TFilterConsumers> consumers_;
};

} // namespace qev::diagnostics
