#pragma once

#include "video/graph_backend.h"

#include <mutex>
#include <string>

namespace qev::video::gst {

// What reached a graph's renderers, written from the streaming threads and the bus thread,
// read by anyone.
class TRenderTally {
public:
  void VideoFrame();
  void AudioBuffer();
  void AudioFormat(int channels, int rate);
  void Error(std::string text);
  TRenderCounts Snapshot() const;

private:
  static constexpr std::size_t kMaxErrors = 32; // a broken stream repeats itself
  mutable std::mutex mutex_;
  TRenderCounts counts_;
};

} // namespace qev::video::gst
