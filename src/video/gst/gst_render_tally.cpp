#include "video/gst/gst_render_tally.h"

#include <chrono>

namespace qev::video::gst {

namespace {

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Count(std::uint64_t &count, std::int64_t &first) {
  if (count++ == 0)
    first = NowNs();
}

} // namespace

void TRenderTally::VideoFrame() {
  std::lock_guard lock(mutex_);
  Count(counts_.VideoFrames, counts_.FirstVideoNs);
}

void TRenderTally::AudioBuffer() {
  std::lock_guard lock(mutex_);
  Count(counts_.AudioBuffers, counts_.FirstAudioNs);
}

void TRenderTally::AudioFormat(int channels, int rate) {
  std::lock_guard lock(mutex_);
  counts_.AudioChannels = channels;
  counts_.AudioRate = rate;
}

void TRenderTally::Error(std::string text) {
  std::lock_guard lock(mutex_);
  if (counts_.Errors.size() < kMaxErrors)
    counts_.Errors.push_back(std::move(text));
}

TRenderCounts TRenderTally::Snapshot() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

} // namespace qev::video::gst
