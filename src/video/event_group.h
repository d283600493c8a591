#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace qev::video {

// Auto-reset events that one thread waits on together: each event is a bit of the group.
class TEventGroup {
public:
  void Signal(std::uint32_t bits) {
    {
      std::lock_guard lock(mutex_);
      signalled_ |= bits;
    }
    changed_.notify_all();
  }
  void Reset(std::uint32_t bits) {
    std::lock_guard lock(mutex_);
    signalled_ &= ~bits;
  }
  // Waits until one of the events in mask is signalled, at most timeout; returns the
  // signalled events of the mask and resets them, 0 on a time-out.
  std::uint32_t WaitAny(std::uint32_t mask, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return (signalled_ & mask) != 0; });
    const std::uint32_t bits = signalled_ & mask;
    signalled_ &= ~bits;
    return bits;
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint32_t signalled_ = 0;
};

// One event of a group, as a source filter is given it ("the handle of the event to signal").
struct TEventRef {
  TEventGroup *Group = nullptr;
  std::uint32_t Bit = 0;
  void Signal() const {
    if (Group != nullptr)
      Group->Signal(Bit);
  }
};

} // namespace qev::video
