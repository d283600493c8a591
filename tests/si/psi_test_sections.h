#pragma once

#include "si/crc32_mpeg.h"
#include "si/psi_scan_thread.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace qev::si::test {

using Bytes = std::vector<std::uint8_t>;

// A long-form section with current_next set and its CRC_32 appended.
inline Bytes MakeSection(std::uint8_t tableId, std::uint16_t extension, std::uint8_t version,
                         std::uint8_t number, std::uint8_t last, const Bytes &payload = {}) {
  const std::size_t length = 5 + payload.size() + 4;
  Bytes s{tableId,
          static_cast<std::uint8_t>(0xB0 | (length >> 8)),
          static_cast<std::uint8_t>(length),
          static_cast<std::uint8_t>(extension >> 8),
          static_cast<std::uint8_t>(extension),
          static_cast<std::uint8_t>(0xC1 | (version & 0x1F) << 1),
          number,
          last};
  s.resize(8 + payload.size());
  std::copy(payload.begin(), payload.end(), s.begin() + 8);
  const std::uint32_t crc = Crc32Mpeg(s);
  for (int shift = 24; shift >= 0; shift -= 8)
    s.push_back(static_cast<std::uint8_t>(crc >> shift));
  return s;
}

// A device module stand-in that delivers scripted sections from its own thread. Each opening of
// a filter on a PID takes the next script of that PID (the last one is reused); a repeating
// PID delivers its script over and over while the filter is open.
class FakeFilterSource final : public SectionFilterSource {
public:
  FakeFilterSource() : thread_([this](std::stop_token stop) { Deliver(stop); }) {}
  ~FakeFilterSource() override {
    thread_.request_stop();
    wake_.notify_all();
  }

  void Script(std::uint16_t pid, std::vector<Bytes> sections, bool repeat = false) {
    std::lock_guard lock(mutex_);
    scripts_[pid].push_back(std::move(sections));
    repeat_[pid] = repeat;
  }
  void Refuse(std::uint16_t pid) {
    std::lock_guard lock(mutex_);
    refused_.insert(pid);
  }
  // Refuses the next `times` openings on the PID, then opens as usual.
  void RefuseTimes(std::uint16_t pid, int times) {
    std::lock_guard lock(mutex_);
    refuseTimes_[pid] = times;
  }
  int Refusals(std::uint16_t pid) const {
    std::lock_guard lock(mutex_);
    const auto it = refusals_.find(pid);
    return it == refusals_.end() ? 0 : it->second;
  }
  void Hold(bool held) {
    {
      std::lock_guard lock(mutex_);
      held_ = held;
    }
    wake_.notify_all();
  }
  void WaitOpenCount(std::size_t count) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return filters_.size() == count; });
  }
  std::size_t MaxOpen() const {
    std::lock_guard lock(mutex_);
    return maxOpen_;
  }
  int Opened(std::uint16_t pid) const {
    std::lock_guard lock(mutex_);
    const auto it = opened_.find(pid);
    return it == opened_.end() ? 0 : it->second;
  }

  std::int32_t OpenFilter(std::uint16_t pid, const SectionTableFilter &,
                          DataCallback callback) override {
    std::lock_guard lock(mutex_);
    const bool refuseOnce = refuseTimes_[pid] > 0;
    if (refused_.contains(pid) || refuseOnce) {
      refuseTimes_[pid] -= refuseOnce ? 1 : 0;
      ++refusals_[pid];
      return 0;
    }
    ++opened_[pid];
    auto &scripts = scripts_[pid];
    Filter filter{pid, std::move(callback), {}, 0};
    if (!scripts.empty()) {
      filter.script = scripts.front();
      if (scripts.size() > 1)
        scripts.erase(scripts.begin());
    }
    const std::int32_t handle = ++lastHandle_;
    filters_.emplace(handle, std::move(filter));
    maxOpen_ = std::max(maxOpen_, filters_.size());
    wake_.notify_all();
    return handle;
  }
  void CloseFilter(std::int32_t handle) override {
    std::lock_guard call(callMutex_);
    std::lock_guard lock(mutex_);
    filters_.erase(handle);
    wake_.notify_all();
  }

private:
  struct Filter {
    std::uint16_t pid;
    DataCallback callback;
    std::vector<Bytes> script;
    std::size_t next;
  };

  bool Repeats(std::uint16_t pid) const {
    const auto it = repeat_.find(pid);
    return it != repeat_.end() && it->second;
  }
  bool HasWorkLocked() const {
    for (const auto &[handle, f] : filters_)
      if (f.next < f.script.size() || (!f.script.empty() && Repeats(f.pid)))
        return true;
    return false;
  }

  void Deliver(std::stop_token stop) {
    while (!stop.stop_requested()) {
      std::vector<std::pair<std::int32_t, Bytes>> batch;
      {
        std::unique_lock lock(mutex_);
        if (!wake_.wait(lock, stop, [&] { return !held_ && HasWorkLocked(); }))
          return;
        for (auto &[handle, f] : filters_) {
          if (f.next >= f.script.size() && Repeats(f.pid) && !f.script.empty())
            f.next = 0;
          if (f.next < f.script.size())
            batch.emplace_back(handle, f.script[f.next++]);
        }
      }
      for (const auto &[handle, bytes] : batch) {
        std::lock_guard call(callMutex_);
        DataCallback *callback = nullptr;
        {
          std::lock_guard lock(mutex_);
          const auto it = filters_.find(handle);
          if (it != filters_.end())
            callback = &it->second.callback;
        }
        if (callback)
          (*callback)(bytes);
      }
      std::this_thread::yield();
    }
  }

  mutable std::mutex mutex_;
  std::mutex callMutex_; // held while a callback runs; closing waits for it
  std::condition_variable_any wake_;
  std::map<std::uint16_t, std::vector<std::vector<Bytes>>> scripts_;
  std::map<std::uint16_t, bool> repeat_;
  std::set<std::uint16_t> refused_;
  std::map<std::uint16_t, int> refuseTimes_;
  std::map<std::uint16_t, int> refusals_;
  std::map<std::uint16_t, int> opened_;
  std::map<std::int32_t, Filter> filters_;
  std::size_t maxOpen_ = 0;
  std::int32_t lastHandle_ = 0;
  bool held_ = false;
  std::jthread thread_; // last: stops before the state it reads goes away
};

} // namespace qev::si::test
