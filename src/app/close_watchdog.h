#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace qev::app {

// Ends a process whose orderly close does not finish. It is armed when a close has been agreed
// or a termination signal is pending (seen on the signal descriptor even while the
// user-interface thread is stuck and cannot read it); from then on the process has the grace
// period to end. Past it the watchdog writes what the process hangs in to the error stream and
// exits with kExitCloseHung.
class TCloseWatchdog {
public:
  // Says what the process is stuck in ("" when nothing is known).
  using Describe = std::function<std::string()>;
  static constexpr int kExitCloseHung = 1;
  static constexpr std::chrono::seconds kGrace{10};

  // signalFd: readable while a termination signal is pending, -1 for none.
  TCloseWatchdog(std::string programName, int signalFd, Describe describe,
                 std::chrono::milliseconds grace = kGrace);
  ~TCloseWatchdog();
  TCloseWatchdog(const TCloseWatchdog &) = delete;
  TCloseWatchdog &operator=(const TCloseWatchdog &) = delete;

  // Starts the grace period, once; safe from any thread.
  void Arm();

private:
  void Run();
  [[noreturn]] void Expire() const;

  const std::string programName_;
  const int signalFd_;
  const Describe describe_;
  const std::chrono::milliseconds grace_;
  int wakeFd_ = -1;
  std::mutex mutex_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  bool stop_ = false;
  std::thread thread_;
};

} // namespace qev::app
