#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>

namespace qev::device {

class TDeviceModule;

// Filters on the device module whose data go to std::function consumers. The consumers are
// owned here, keyed by filter handle, at addresses the module hands back as context: a refused
// filter keeps nothing, a stopped one delivers nothing more, and a consumer may stop its own
// filter from inside its callback. A consumer that throws loses that delivery, never unwinding
// into the module's thread.
class TFilterConsumers {
public:
  using DataCallback = std::function<void(std::span<const std::uint8_t>)>;

  explicit TFilterConsumers(TDeviceModule &device);
  // Stops the filters still running.
  ~TFilterConsumers();
  TFilterConsumers(const TFilterConsumers &) = delete;
  TFilterConsumers &operator=(const TFilterConsumers &) = delete;

  // StartFilter's result: a handle > 0, else the filter was refused. `flags` is the filter's
  // flag byte: 1 (QEV_FILTER_LATENCY) waits for each block, 0 (QEV_FILTER_BULK) lets the module
  // batch them.
  std::int32_t Start(std::uint16_t pid, std::uint16_t mode, const std::uint8_t *match,
                     const std::uint8_t *mask, DataCallback callback, std::uint8_t flags = 1);
  // When it returns, no callback of the filter runs (except the one that called it) and none
  // will.
  void Stop(std::int32_t handle);

private:
  struct Consumer;

  static void Deliver(const std::uint8_t *data, std::int32_t length, void *context) noexcept;

  TDeviceModule &device_;
  std::mutex mutex_;
  std::unordered_map<std::int32_t, std::unique_ptr<Consumer>> consumers_;
};

} // namespace qev::device
