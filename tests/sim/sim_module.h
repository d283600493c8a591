#pragma once

#include "devapi/qev_devapi.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qev::sim::test {

using namespace std::chrono_literals;

// Generous: only a broken module ever waits this long.
inline constexpr auto kDeadline = 10s;

// Dev_Sim.int loaded the way the program loads a module: dlopen, exports by name, description
// and interface asked with the contract's version words. One module, one device, for the whole
// test program; its test exports are reached the same way.
class SimModule {
public:
  static SimModule &Get();

  const DeviceInterface &Api() const { return api_; }
  DeviceDescription Description() const;

  void SetSkyFile(const std::string &path) const;
  void LoseLock(bool lost) const;
  void RefuseFilters(int count) const;
  void SetOpenDelay(int milliseconds) const;
  void RefusePluginData(bool refuse) const;
  std::int32_t SetHelpers(std::int32_t kind, const DsHelperTable *table) const;
  std::vector<std::string> Journal() const; // lines without the time
  std::vector<std::pair<long, std::string>> TimedJournal() const;
  void ClearJournal() const;

  // Values of callback message 3, in the order they came.
  std::vector<std::int32_t> Receptions() const;
  void ClearReceptions();
  bool WaitForReception(std::int32_t value);

private:
  SimModule();
  void *Symbol(const char *name) const;
  static void Callback(std::int32_t message, std::int32_t value, void *data);

  void *handle_ = nullptr;
  DeviceInterface api_{};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::int32_t> receptions_;
};

// Waits, without sleeping, until `done` holds; false when the deadline passed first.
bool WaitFor(const std::function<bool()> &done, std::chrono::milliseconds deadline = kDeadline);

} // namespace qev::sim::test
