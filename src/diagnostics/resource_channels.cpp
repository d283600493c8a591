#include "diagnostics/resource_channels.h"

#include <algorithm>
#include <limits>

namespace qev::diagnostics {

namespace {
std::int32_t Percent(double fraction) { return static_cast<std::int32_t>(fraction * 100); }
} // namespace

TCpuDataChan::TCpuDataChan(pid_t processId, pid_t threadId, std::filesystem::path procStat)
    : monitor_(std::move(procStat)) {
  monitor_.SelectTarget(processId, threadId);
}

void TCpuDataChan::Clear() {
  TDataChannel::Clear();
  monitor_.Restart();
}

std::int32_t TCpuDataChan::Average() { return Percent(monitor_.Load(true)); }

std::int32_t TCpuDataChan::NextSample() { return Percent(monitor_.Load()); }

TMemDataChan::TMemDataChan(TMemFigure figure, std::filesystem::path procStatus)
    : figure_(figure), procStatus_(std::move(procStatus)) {}

std::int32_t TMemDataChan::NextSample() {
  const std::uint64_t kb = MemFigure(ReadMemStatus(procStatus_), figure_);
  return static_cast<std::int32_t>(
      std::min<std::uint64_t>(kb, std::numeric_limits<std::int32_t>::max()));
}

TMemStatus ReadMemStatus(const std::filesystem::path &procStatus) {
  const std::optional<std::string> text = ReadProcFile(procStatus);
  return text ? ParseProcStatus(*text) : TMemStatus{};
}

std::uint64_t MemFigure(const TMemStatus &status, TMemFigure figure) {
  switch (figure) {
  case TMemFigure::AddressSpace:
    return status.VmSize;
  case TMemFigure::Private:
    return status.Private();
  case TMemFigure::WorkingSet:
    break;
  }
  return status.VmRSS;
}

} // namespace qev::diagnostics
