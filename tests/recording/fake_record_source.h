#pragma once

#include "recording/recorder.h"

#include <map>
#include <mutex>
#include <set>
#include <shared_mutex>

namespace qev::recording::test {

// A device for the recorder: filters kept in a table, data delivered by the test on any thread.
// Like the real module, once StopFilter has returned no callback of that filter runs; several
// threads may deliver at once.
class TFakeRecordSource final : public IRecordSource {
public:
  struct TFilter {
    std::uint16_t Pid;
    std::uint8_t Mode;
    DataCallback Callback;
  };

  std::set<std::uint16_t> Refused; // PIDs whose filter is refused
  bool Whole188 = true;
  std::string Extension = ".ts";

  std::int32_t StartFilter(std::uint16_t pid, std::uint8_t mode, DataCallback callback) override {
    const std::lock_guard lock(mutex_);
    ++started_;
    if (Refused.count(pid))
      return 0;
    filters_[next_] = {pid, mode, std::move(callback)};
    return next_++;
  }
  void StopFilter(std::int32_t handle) override {
    const std::lock_guard lock(mutex_);
    filters_.erase(handle);
  }
  bool Packets188() const override { return Whole188; }
  std::string StreamExtension() const override { return Extension; }

  // Hands the block to every filter on `pid` (all filters for 0x2000); the number reached.
  int Deliver(std::uint16_t pid, const std::vector<std::uint8_t> &block) {
    const std::shared_lock lock(mutex_);
    int reached = 0;
    for (auto &[handle, filter] : filters_)
      if (filter.Pid == pid || filter.Pid == 0x2000) {
        filter.Callback(block.data(), block.size());
        ++reached;
      }
    return reached;
  }
  std::vector<TFilter> Running() const {
    const std::shared_lock lock(mutex_);
    std::vector<TFilter> out;
    for (const auto &entry : filters_)
      out.push_back(entry.second);
    return out;
  }
  int Started() const {
    const std::shared_lock lock(mutex_);
    return started_;
  }

private:
  mutable std::shared_mutex mutex_;
  std::map<std::int32_t, TFilter> filters_;
  std::int32_t next_ = 1;
  int started_ = 0;
};

} // namespace qev::recording::test
