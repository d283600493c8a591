#include "diagnostics/cpu_monitor.h"

#include "diagnostics/proc_readers.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qev::diagnostics {

namespace {

std::uint64_t Nanoseconds(const timespec &t) {
  return static_cast<std::uint64_t>(t.tv_sec) * 1'000'000'000u +
         static_cast<std::uint64_t>(t.tv_nsec);
}

std::uint64_t MonotonicNs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// The kernel's CPU-time clock of one thread (of any process) by its id.
clockid_t ThreadClock(pid_t tid) {
  constexpr int kPerThread = 4, kSched = 2;
  return static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | kPerThread | kSched);
}

std::optional<clockid_t> UsableClock(clockid_t clock) {
  timespec t{};
  return ::clock_gettime(clock, &t) == 0 ? std::optional(clock) : std::nullopt;
}

} // namespace

TCpuMonitor::TCpuMonitor(std::filesystem::path procStat)
    : procStat_(std::move(procStat)),
      processors_(std::max(1u, std::thread::hardware_concurrency())) {
  Restart();
}

bool TCpuMonitor::SelectTarget(pid_t processId, pid_t threadId) {
  clock_.reset();
  if (processId == 0) {
    mode_ = TMode::System;
  } else if (threadId != 0) {
    mode_ = TMode::Thread;
    clock_ = UsableClock(ThreadClock(threadId));
  } else {
    mode_ = TMode::Process;
    clockid_t clock{};
    if (::clock_getcpuclockid(processId, &clock) == 0)
      clock_ = UsableClock(clock);
  }
  Restart();
  return mode_ == TMode::System || clock_.has_value();
}

std::optional<TCpuMonitor::TReading> TCpuMonitor::Read() const {
  if (mode_ == TMode::System) {
    const std::optional<std::string> text = ReadProcFile(procStat_);
    const std::optional<TCpuTimes> times = text ? ParseProcStat(*text) : std::nullopt;
    if (!times)
      return std::nullopt;
    return TReading{times->Total, times->Total - std::min(times->Idle, times->Total)};
  }
  timespec t{};
  if (!clock_ || ::clock_gettime(*clock_, &t) != 0)
    return std::nullopt;
  return TReading{MonotonicNs(), Nanoseconds(t)};
}

void TCpuMonitor::Restart() { start_ = last_ = Read().value_or(TReading{}); }

double TCpuMonitor::Load(bool sinceStart) {
  const std::optional<TReading> now = Read();
  if (!now)
    return 0;
  const TReading then = sinceStart ? start_ : last_;
  if (!sinceStart)
    last_ = *now;
  if (now->Time <= then.Time || now->Busy < then.Busy)
    return 0;
  double fraction =
      static_cast<double>(now->Busy - then.Busy) / static_cast<double>(now->Time - then.Time);
  if (mode_ != TMode::System)
    fraction /= processors_;
  return std::clamp(fraction, 0.0, 1.0);
}

} // namespace qev::diagnostics
