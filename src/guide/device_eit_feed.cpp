#include "guide/device_eit_feed.h"

#include "devapi/qev_devapi.h"
#include "device/device_module.h"

#include <utility>

namespace qev::guide {

struct TDeviceEitFeed::Consumer {
  DataCallback callback;
};

TDeviceEitFeed::TDeviceEitFeed(device::TDeviceModule &device) : device_(device) {}

TDeviceEitFeed::~TDeviceEitFeed() {
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> open;
  {
    std::lock_guard lock(mutex_);
    open.swap(consumers_);
  }
  for (const auto &[handle, consumer] : open)
    device_.StopFilter(handle);
}

std::int32_t TDeviceEitFeed::Open(DataCallback callback) {
  auto consumer = std::make_unique<Consumer>(Consumer{std::move(callback)});
  // The module may deliver before StartFilter returns, so the consumer exists from here on;
  // after a refusal nothing is delivered and it simply goes.
  const std::int32_t handle =
      device_.StartFilter(kEitPid, &TDeviceEitFeed::Deliver, QEV_DELIVER_PAYLOADS, nullptr, nullptr,
                          QEV_FILTER_LATENCY, consumer.get());
  if (handle > 0) {
    std::lock_guard lock(mutex_);
    consumers_[handle] = std::move(consumer);
  }
  return handle;
}

void TDeviceEitFeed::Close(std::int32_t handle) {
  // StopFilter waits for a delivery in progress on another thread; afterwards none starts.
  device_.StopFilter(handle);
  std::lock_guard lock(mutex_);
  consumers_.erase(handle);
}

void TDeviceEitFeed::Deliver(const std::uint8_t *data, std::int32_t length,
                             void *context) noexcept {
  if (data == nullptr || length <= 0)
    return;
  auto *consumer = static_cast<Consumer *>(context);
  try {
    consumer->callback(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
  } catch (...) {
    // A consumer's failure must not unwind into the module's thread; the bytes are lost.
  }
}

} // namespace qev::guide
