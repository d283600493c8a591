#include "recording/records_list_texts.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace qev::recording {

std::string DurationText(std::chrono::seconds span) {
  const std::int64_t total = std::max<std::int64_t>(span.count(), 0);
  return fmt::format("{:02}:{:02}:{:02}", total / 3600, total / 60 % 60, total % 60);
}

std::string TotalSizeText(std::int64_t bytes) { return fmt::format("{} Kb", bytes / 1024); }

std::string RemainingText(const TRecordSlotView &slot) {
  if (slot.Limits.StopAfterSeconds == 0)
    return kNoTimeLimit;
  return DurationText(std::chrono::seconds(slot.Limits.StopAfterSeconds) - slot.Elapsed);
}

std::string PidColumnText(std::uint16_t pid) { return fmt::format("{:04X}", pid); }

std::string ModeColumnText(std::uint8_t mode) { return fmt::format("{:02X}", mode); }

std::uint32_t StopAfterSecondsFor(std::chrono::system_clock::time_point start,
                                  std::chrono::system_clock::time_point stop,
                                  std::chrono::system_clock::time_point now) {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::max(stop, now) - start).count();
  return static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(seconds, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace qev::recording
