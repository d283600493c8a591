#include "device/filter_consumers.h"

#include "devapi/qev_devapi.h"
#include "device/device_module.h"

#include <utility>

namespace qev::device {

struct TFilterConsumers::Consumer {
  DataCallback callback;
  // Set when the filter was stopped from inside this very callback: the delivery that is
  // running owns the consumer then and lets it go when the callback returns.
  bool stoppedInside = false;
};

namespace {
// The consumer whose callback runs on this thread.
thread_local const void *deliveringNow = nullptr;
} // namespace

TFilterConsumers::TFilterConsumers(TDeviceModule &device) : device_(device) {}

TFilterConsumers::~TFilterConsumers() {
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> running;
  {
    std::lock_guard lock(mutex_);
    running.swap(consumers_);
  }
  for (const auto &[handle, consumer] : running)
    device_.StopFilter(handle);
}

std::int32_t TFilterConsumers::Start(std::uint16_t pid, std::uint16_t mode,
                                     const std::uint8_t *match, const std::uint8_t *mask,
                                     DataCallback callback, std::uint8_t flags) {
  auto consumer = std::make_unique<Consumer>(Consumer{std::move(callback)});
  // The module may deliver before StartFilter returns, so the consumer exists from here on;
  // after a refusal nothing is delivered and it simply goes.
  const std::int32_t handle = device_.StartFilter(pid, &TFilterConsumers::Deliver, mode, match,
                                                  mask, flags, consumer.get());
  if (handle > 0) {
    std::lock_guard lock(mutex_);
    consumers_[handle] = std::move(consumer);
  }
  return handle;
}

void TFilterConsumers::Stop(std::int32_t handle) {
  // StopFilter waits for a delivery in progress on another thread; afterwards none starts.
  device_.StopFilter(handle);
  std::unique_ptr<Consumer> consumer;
  {
    std::lock_guard lock(mutex_);
    const auto it = consumers_.find(handle);
    if (it == consumers_.end())
      return;
    consumer = std::move(it->second);
    consumers_.erase(it);
  }
  if (consumer.get() == deliveringNow)
    consumer.release()->stoppedInside = true; // Deliver frees it once the callback returns
}

void TFilterConsumers::Deliver(const std::uint8_t *data, std::int32_t length,
                               void *context) noexcept {
  auto *consumer = static_cast<Consumer *>(context);
  if (data != nullptr && length > 0) {
    const void *outer = std::exchange(deliveringNow, consumer);
    try {
      consumer->callback(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
    } catch (...) {
      // A consumer's failure must not unwind into the module's thread; the data are lost.
    }
    deliveringNow = outer;
  }
  if (consumer->stoppedInside)
    std::unique_ptr<Consumer>{consumer}.reset();
}

} // namespace qev::device
