#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qev::video {

// Hides the mouse cursor over a full-screen video once the mouse has rested for two seconds,
// and shows it again on the next movement. Wakes every 10 ms; the cursor itself is changed by
// `setHidden`, which must hand the change to the user-interface thread.
class TMouseHideThread {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kWake{10};
  static constexpr std::chrono::milliseconds kIdle{2000};

  struct TLinks {
    // True when some video is full screen and the top-most window holds a video panel.
    std::function<bool()> FullScreenVideoOnTop;
    std::function<void(bool hidden)> SetHidden;
    std::function<TClock::time_point()> Clock = TClock::now;
  };

  explicit TMouseHideThread(TLinks links);
  ~TMouseHideThread(); // stops and joins
  TMouseHideThread(const TMouseHideThread &) = delete;
  TMouseHideThread &operator=(const TMouseHideThread &) = delete;

  // Any mouse activity over a video restarts the idle time.
  void MouseActivity();
  bool Hidden() const;

private:
  void Run(std::stop_token stop);
  void Check();

  TLinks links_;
  std::atomic<TClock::rep> lastActivity_;
  mutable std::mutex mutex_;
  bool hidden_ = false; // under mutex_
  std::condition_variable_any wake_;
  std::jthread thread_;
};

} // namespace qev::video
