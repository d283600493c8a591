#pragma once

#include "recording/recorder.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace qev::recording::test {

// A device for the recorder: filters kept in a table, data delivered by the test on any thread,
// several threads at once. Like the real module, once StopFilter has returned no callback of
// that filter runs.
class TFakeRecordSource final : public IRecordSource {
public:
  std::set<std::uint16_t> Refused; // PIDs whose filter is refused
  bool Whole188 = true;
  std::string Extension = ".ts";

  std::int32_t StartFilter(std::uint16_t pid, std::uint8_t mode, DataCallback callback) override {
    const std::lock_guard lock(mutex_);
    ++started_;
    if (Refused.count(pid))
      return 0;
    filters_[next_] = std::make_shared<TFilter>(pid, mode, std::move(callback));
    return next_++;
  }
  void StopFilter(std::int32_t handle) override {
    std::shared_ptr<TFilter> filter;
    {
      const std::lock_guard lock(mutex_);
      const auto found = filters_.find(handle);
      if (found == filters_.end())
        return;
      filter = found->second;
      filters_.erase(found);
    }
    const std::lock_guard running(filter->Delivering);
    filter->Stopped = true;
  }
  bool Packets188() const override { return Whole188; }
  std::string StreamExtension() const override { return Extension; }

  // Hands the block to every filter on `pid` (all filters for 0x2000); the number reached.
  int Deliver(std::uint16_t pid, const std::vector<std::uint8_t> &block) {
    int reached = 0;
    for (const auto &filter : Snapshot()) {
      if (filter->Pid != pid && filter->Pid != 0x2000)
        continue;
      const std::lock_guard running(filter->Delivering);
      if (filter->Stopped)
        continue;
      filter->Callback(block.data(), block.size());
      ++reached;
    }
    return reached;
  }
  std::vector<TRecordPid> Running() const {
    std::vector<TRecordPid> out;
    for (const auto &filter : Snapshot())
      out.push_back({filter->Pid, filter->Mode});
    return out;
  }
  int Started() const {
    const std::lock_guard lock(mutex_);
    return started_;
  }

private:
  struct TFilter {
    TFilter(std::uint16_t pid, std::uint8_t mode, DataCallback callback)
        : Pid(pid), Mode(mode), Callback(std::move(callback)) {}
    std::uint16_t Pid;
    std::uint8_t Mode;
    DataCallback Callback;
    std::mutex Delivering;
    bool Stopped = false;
  };

  std::vector<std::shared_ptr<TFilter>> Snapshot() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<TFilter>> out;
    for (const auto &entry : filters_)
      out.push_back(entry.second);
    return out;
  }

  mutable std::mutex mutex_;
  std::map<std::int32_t, std::shared_ptr<TFilter>> filters_;
  std::int32_t next_ = 1;
  int started_ = 0;
};

} // namespace qev::recording::test
