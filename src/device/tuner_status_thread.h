#pragma once

#include "frame/ui_dispatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qev::device {

// An event that wakes one wait and then resets itself.
class TAutoResetEvent {
public:
  void Set();
  // True when the event was set, false when the time ran out.
  bool WaitFor(std::chrono::milliseconds timeout);

private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool set_ = false;
};

// Paces the signal reads: while polling, it hands a read to the user-interface thread every
// SignalUpdateInterval. The read is queued, never waited for, so stopping can never wait on a
// user-interface thread that is itself waiting for the stop.
class TTunerStatusThread {
public:
  enum Mode : int { kPaused = 0, kPolling = 1, kStopped = 2 };
  using Task = frame::UiDispatcher::Task;
  using PostFn = std::function<void(Task)>;
  using IntervalFn = std::function<int()>;
  using WaitFn = std::function<bool(std::chrono::milliseconds)>; // true: woken

  static constexpr int kMinIntervalMs = 100;

  // Starts paused. read runs on the user-interface thread through post; interval gives
  // SignalUpdateInterval. wait defaults to the thread's own wake event.
  TTunerStatusThread(Task read, PostFn post, IntervalFn interval, WaitFn wait = {});
  ~TTunerStatusThread();
  TTunerStatusThread(const TTunerStatusThread &) = delete;
  TTunerStatusThread &operator=(const TTunerStatusThread &) = delete;

  // Ignored once the mode is 2.
  void SetMode(int mode);
  int GetMode() const;
  // Ends the loop and joins; a read still queued does nothing. Safe to call more than once.
  void Terminate();

private:
  struct Shared;
  void Loop();
  void PostRead();

  std::shared_ptr<Shared> shared_;
  PostFn post_;
  IntervalFn interval_;
  WaitFn wait_;
  TAutoResetEvent wake_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

} // namespace qev::device
