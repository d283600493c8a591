#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

namespace qev::diagnostics {

// Processor time of the whole system, of one process or of one thread, as a load fraction.
// The system's comes from the aggregate line of /proc/stat (every processor); a process's or
// thread's from its CPU-time clock over the monotonic clock, divided by the number of
// processors so that all of them busy is 1.
class TCpuMonitor {
public:
  enum class TMode { System, Process, Thread };

  explicit TCpuMonitor(std::filesystem::path procStat = "/proc/stat");

  // Process id 0: the system; a thread id (of this process): that thread; else the process.
  // False when the target's clock cannot be read (the monitor then reports 0). Readings
  // restart.
  bool SelectTarget(pid_t processId, pid_t threadId = 0);
  TMode Mode() const { return mode_; }
  // Since the previous call (which moves the readings on), or since the start.
  double Load(bool sinceStart = false);
  // Readings start afresh from now.
  void Restart();

private:
  struct TReading {
    std::uint64_t Time = 0; // ns, or ticks of /proc/stat in system mode
    std::uint64_t Busy = 0;
  };
  std::optional<TReading> Read() const;

  std::filesystem::path procStat_;
  TMode mode_ = TMode::System;
  std::optional<clockid_t> clock_;
  unsigned processors_ = 1;
  TReading start_, last_;
};

} // namespace qev::diagnostics
