#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qev::recording {

// Calls `tick` every period (100 ms for the recorder's time limits) until destroyed; the
// destructor wakes the thread at once and joins it.
class TRecWatchThread {
public:
  static constexpr std::chrono::milliseconds kPeriod{100};

  explicit TRecWatchThread(std::function<void()> tick, std::chrono::milliseconds period = kPeriod);
  ~TRecWatchThread();
  TRecWatchThread(const TRecWatchThread &) = delete;
  TRecWatchThread &operator=(const TRecWatchThread &) = delete;

private:
  void Run();

  std::function<void()> tick_;
  std::chrono::milliseconds period_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool shutdown_ = false;
  std::thread thread_;
};

} // namespace qev::recording
