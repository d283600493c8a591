#pragma once
// One plugin's delivery thread: the device module's threads only copy blocks into its bounded
// queue; the thread hands them to the plugin's data entry points, one at a time.

#include "mdapi/qev_mdapi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace qev::plugins {

inline constexpr std::size_t kFeedQueueBlocks = 32;
inline constexpr std::size_t kFeedMinBlock = 184;

// One opening of a filter, as its blocks know it. A filter entry that is reused gets a new
// sink, so blocks queued for the old filter can never reach the new owner; once closed, its
// queued blocks are freed without a call.
struct TFilterSink {
  TPlgDataEntry DataEntry = nullptr;
  std::uint16_t FilterId = 0;
  std::atomic<bool> Open{true};
  std::atomic<std::uint64_t> Bytes{0};   // delivered to the plugin
  std::atomic<std::uint64_t> Dropped{0}; // lost to a full queue
};

class TPlgFeedThread {
public:
  TPlgFeedThread();
  // Stops and joins the thread, then frees what is still queued.
  ~TPlgFeedThread();
  TPlgFeedThread(const TPlgFeedThread &) = delete;
  TPlgFeedThread &operator=(const TPlgFeedThread &) = delete;

  // From the device module's thread: copies the block, or drops it when it is shorter than a
  // payload or when 32 blocks are already waiting. Never blocks on the plugin.
  void Queue(const std::shared_ptr<TFilterSink> &sink, std::span<const std::uint8_t> data);
  // Frees the queued blocks of a sink (its filter was deleted).
  void Purge(const TFilterSink *sink);
  std::size_t Waiting() const;

private:
  struct TBlock {
    std::shared_ptr<TFilterSink> Sink;
    std::vector<std::uint8_t> Data;
  };

  void Run(std::stop_token stop);
  static void Deliver(const TBlock &block);

  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<TBlock> queue_;
  std::jthread thread_; // last: starts after the queue exists, joined before it goes
};

} // namespace qev::plugins
