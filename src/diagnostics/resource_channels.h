#pragma once

#include "diagnostics/cpu_monitor.h"
#include "diagnostics/data_channel.h"
#include "diagnostics/proc_readers.h"

#include <filesystem>

namespace qev::diagnostics {

// A chart channel that samples a processor load in percent since its previous sample.
class TCpuDataChan final : public TDataChannel {
public:
  TCpuDataChan(pid_t processId, pid_t threadId = 0, std::filesystem::path procStat = "/proc/stat");

  // Restarts the monitor too, so the average starts again.
  void Clear() override;
  // The load since the start (or the last clear) in percent.
  std::int32_t Average();
  TCpuMonitor &Monitor() { return monitor_; }

protected:
  std::int32_t NextSample() override;

private:
  TCpuMonitor monitor_;
};

// What a memory channel samples, in KB.
enum class TMemFigure { WorkingSet = 0, AddressSpace = 1, Private = 2 };

// A chart channel that samples one of the program's memory figures.
class TMemDataChan final : public TDataChannel {
public:
  explicit TMemDataChan(TMemFigure figure, std::filesystem::path procStatus = "/proc/self/status");

protected:
  std::int32_t NextSample() override;

private:
  TMemFigure figure_;
  std::filesystem::path procStatus_;
};

// The program's memory now, from /proc/self/status (all 0 when it cannot be read).
TMemStatus ReadMemStatus(const std::filesystem::path &procStatus = "/proc/self/status");
std::uint64_t MemFigure(const TMemStatus &status, TMemFigure figure);

} // namespace qev::diagnostics
