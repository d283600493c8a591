#include "si/device_filter_source.h"

#include "devapi/qev_devapi.h"
#include "device/device_module.h"

#include <array>
#include <utility>

namespace qev::si {

struct TDeviceFilterSource::Consumer {
  DataCallback callback;
  // Set when the filter was closed from inside this very callback: the delivery that is
  // running owns the consumer then and lets it go when the callback returns.
  bool closedInside = false;
};

namespace {

using FilterBytes = std::array<std::uint8_t, QEV_SECTION_FILTER_BYTES>;

// The consumer whose callback runs on this thread.
thread_local const void *deliveringNow = nullptr;

// Match and mask bytes compared with the first bytes of a section: the table id, and the
// table_id_extension (bytes 3..4) when the filter looks at it, so that the module drops
// foreign tables before they cost a delivery.
struct SectionMatch {
  FilterBytes match{};
  FilterBytes mask{};

  explicit SectionMatch(const SectionTableFilter &filter) {
    match[0] = filter.tableId;
    mask[0] = 0xFF;
    const std::uint16_t value = filter.extensionValue & filter.extensionMask;
    match[3] = static_cast<std::uint8_t>(value >> 8);
    match[4] = static_cast<std::uint8_t>(value);
    mask[3] = static_cast<std::uint8_t>(filter.extensionMask >> 8);
    mask[4] = static_cast<std::uint8_t>(filter.extensionMask);
  }
};

} // namespace

TDeviceFilterSource::TDeviceFilterSource(device::TDeviceModule &device) : device_(device) {}

TDeviceFilterSource::~TDeviceFilterSource() {
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> open;
  {
    std::lock_guard lock(mutex_);
    open.swap(consumers_);
  }
  for (const auto &[handle, consumer] : open)
    device_.StopFilter(handle);
}

std::int32_t TDeviceFilterSource::OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                                             DataCallback callback) {
  auto consumer = std::make_unique<Consumer>(Consumer{std::move(callback)});
  const SectionMatch bytes(filter);
  // The module may deliver before StartFilter returns, so the consumer exists from here on;
  // after a refusal nothing is delivered and it simply goes.
  const std::int32_t handle = device_.StartFilter(
      pid, &TDeviceFilterSource::Deliver, QEV_DELIVER_SECTIONS, bytes.match.data(),
      bytes.mask.data(), QEV_FILTER_LATENCY, consumer.get());
  if (handle > 0) {
    std::lock_guard lock(mutex_);
    consumers_[handle] = std::move(consumer);
  }
  return handle;
}

void TDeviceFilterSource::CloseFilter(std::int32_t handle) {
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
    consumer.release()->closedInside = true; // Deliver frees it once the callback returns
}

void TDeviceFilterSource::Deliver(const std::uint8_t *data, std::int32_t length,
                                  void *context) noexcept {
  auto *consumer = static_cast<Consumer *>(context);
  if (data != nullptr && length > 0) {
    const void *outer = std::exchange(deliveringNow, consumer);
    try {
      consumer->callback(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
    } catch (...) {
      // A consumer's failure must not unwind into the module's thread; the section is lost.
    }
    deliveringNow = outer;
  }
  if (consumer->closedInside)
    std::unique_ptr<Consumer>{consumer}.reset();
}

} // namespace qev::si
