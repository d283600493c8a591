#include "recording/records_list_texts.h"

#include <fmt/format.h>

#include <algorithm>

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

} // namespace qev::recording
