#include "plugins/feed_thread.h"

#include <algorithm>

namespace qev::plugins {

TPlgFeedThread::TPlgFeedThread() : thread_([this](std::stop_token stop) { Run(stop); }) {}

TPlgFeedThread::~TPlgFeedThread() {
  thread_.request_stop();
  wake_.notify_all();
  if (thread_.joinable())
    thread_.join();
}

void TPlgFeedThread::Queue(const std::shared_ptr<TFilterSink> &sink,
                           std::span<const std::uint8_t> data) {
  if (!sink || data.size() < kFeedMinBlock)
    return;
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kFeedQueueBlocks) {
      sink->Dropped.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    queue_.push_back({sink, {data.begin(), data.end()}});
  }
  wake_.notify_one();
}

void TPlgFeedThread::Purge(const TFilterSink *sink) {
  std::lock_guard lock(mutex_);
  std::erase_if(queue_, [&](const TBlock &block) { return block.Sink.get() == sink; });
}

std::size_t TPlgFeedThread::Waiting() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void TPlgFeedThread::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    TBlock block;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, stop, [this] { return !queue_.empty(); });
      if (queue_.empty())
        continue;
      block = std::move(queue_.front());
      queue_.pop_front();
    }
    Deliver(block);
  }
}

void TPlgFeedThread::Deliver(const TBlock &block) {
  TFilterSink &sink = *block.Sink;
  if (!sink.Open.load() || !sink.DataEntry)
    return;
  try {
    sink.DataEntry(sink.FilterId, static_cast<std::int32_t>(block.Data.size()), block.Data.data());
  } catch (...) {
    // A plugin's fault costs it this block only.
  }
  sink.Bytes.fetch_add(block.Data.size(), std::memory_order_relaxed);
}

} // namespace qev::plugins
