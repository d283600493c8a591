#pragma once

#include "video/event_group.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace qev::video {

// Bits of the live graph's event group.
inline constexpr std::uint32_t kEventStop = 1;
inline constexpr std::uint32_t kEventVideo = 2;
inline constexpr std::uint32_t kEventAudio = 4;
inline constexpr std::uint32_t kEventSpare = 8;

// Streams of the required and seen sets.
inline constexpr std::uint32_t kStreamVideo = 1;
inline constexpr std::uint32_t kStreamAudio = 2;
inline constexpr std::uint32_t kStreamsTimedOut = 0x80;

// Waits for the source's media-type announcements of a live graph. Each announced stream is
// handed to StreamChanged; once every required stream was seen (or, in mode 2, the run
// time-out passed) the thread ends, in mode 2 after RunGraph. Mode 1 only reports.
class TReconnectThread {
public:
  struct THooks {
    std::function<void(std::uint32_t stream)> StreamChanged; // kStreamVideo or kStreamAudio
    std::function<void()> RunGraph;
  };

  TReconnectThread(TEventGroup &events, int mode, std::chrono::milliseconds runTimeout,
                   std::uint32_t required, THooks hooks);
  // Stops and joins.
  ~TReconnectThread();
  TReconnectThread(const TReconnectThread &) = delete;
  TReconnectThread &operator=(const TReconnectThread &) = delete;

  // Signals the stop event and waits for the thread to end.
  void Stop();
  bool Finished() const { return finished_; }

private:
  void Loop();

  TEventGroup &events_;
  const int mode_;
  const std::chrono::milliseconds runTimeout_;
  const std::uint32_t required_;
  const THooks hooks_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

} // namespace qev::video
