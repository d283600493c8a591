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

// What paces the monitor: a wait for the interval that Wake ends early.
class IStatusPacer {
public:
  virtual ~IStatusPacer() = default;
  // True when woken, false when the time ran out.
  virtual bool Wait(std::chrono::milliseconds timeout) = 0;
  virtual void Wake() = 0;
};

// An event that wakes one wait and then resets itself.
class TAutoResetEvent final : public IStatusPacer {
public:
  bool Wait(std::chrono::milliseconds timeout) override;
  void Wake() override;

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

  static constexpr int kMinIntervalMs = 100;

  // Starts paused. read runs on the user-interface thread through post; interval gives
  // SignalUpdateInterval (at least 100 ms is used). pacer defaults to the thread's own event.
  TTunerStatusThread(Task read, PostFn post, IntervalFn interval, IStatusPacer *pacer = nullptr);
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
  TAutoResetEvent event_;
  IStatusPacer &pacer_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

} // namespace qev::device
