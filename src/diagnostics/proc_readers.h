#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qev::diagnostics {

// The aggregate "cpu" line of /proc/stat (every processor together), in clock ticks.
struct TCpuTimes {
  std::uint64_t Total = 0;
  std::uint64_t Idle = 0; // idle + iowait
};
std::optional<TCpuTimes> ParseProcStat(const std::string &text);

// Memory figures of /proc/<pid>/status, in KB; a field the kernel does not give stays 0.
struct TMemStatus {
  std::uint64_t VmSize = 0;  // address space in use
  std::uint64_t VmRSS = 0;   // working set
  std::uint64_t VmHWM = 0;   // peak working set
  std::uint64_t RssAnon = 0; // private memory in core
  std::uint64_t VmSwap = 0;  // private memory swapped out
  std::uint64_t Private() const { return RssAnon + VmSwap; }
};
TMemStatus ParseProcStatus(const std::string &text);

// The whole of a small /proc file; none when it cannot be read.
std::optional<std::string> ReadProcFile(const std::filesystem::path &path);

} // namespace qev::diagnostics
