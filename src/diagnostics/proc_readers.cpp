#include "diagnostics/proc_readers.h"

#include <fstream>
#include <sstream>

namespace qev::diagnostics {

std::optional<TCpuTimes> ParseProcStat(const std::string &text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name != "cpu")
      continue;
    // user nice system idle iowait irq softirq steal (guest time is inside user already)
    std::uint64_t values[8] = {};
    int read = 0;
    while (read < 8 && fields >> values[read])
      ++read;
    if (read < 4)
      return std::nullopt;
    TCpuTimes times;
    for (int i = 0; i < read; ++i)
      times.Total += values[i];
    times.Idle = values[3] + (read > 4 ? values[4] : 0);
    return times;
  }
  return std::nullopt;
}

TMemStatus ParseProcStatus(const std::string &text) {
  TMemStatus status;
  const std::pair<const char *, std::uint64_t TMemStatus::*> keys[] = {
      {"VmSize:", &TMemStatus::VmSize},
      {"VmRSS:", &TMemStatus::VmRSS},
      {"VmHWM:", &TMemStatus::VmHWM},
      {"RssAnon:", &TMemStatus::RssAnon},
      {"VmSwap:", &TMemStatus::VmSwap}};
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string key;
    std::uint64_t value = 0;
    if (!(fields >> key >> value))
      continue;
    for (const auto &[name, field] : keys)
      if (key == name)
        status.*field = value;
  }
  return status;
}

std::optional<std::string> ReadProcFile(const std::filesystem::path &path) {
  std::ifstream in(path);
  if (!in)
    return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad())
    return std::nullopt;
  return text.str();
}

} // namespace qev::diagnostics
