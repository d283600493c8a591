#include "diagnostics/packet_source.h"

#include "devapi/qev_devapi.h"
#include "device/filter_consumers.h"

namespace qev::diagnostics {

TDevicePacketSource::TDevicePacketSource(device::TDeviceModule &device)
    : consumers_(std::make_unique<device::TFilterConsumers>(device)) {}

TDevicePacketSource::~TDevicePacketSource() = default;

// Counting needs no low latency: the module may batch the packets.
std::int32_t TDevicePacketSource::Start(std::uint16_t pid, TConsumer consumer) {
  return consumers_->Start(pid, QEV_DELIVER_PACKETS, nullptr, nullptr, std::move(consumer),
                           QEV_FILTER_BULK);
}

void TDevicePacketSource::Stop(std::int32_t handle) { consumers_->Stop(handle); }

} // namespace qev::diagnostics
