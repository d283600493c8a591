#include "recording/record_texts.h"

#include <algorithm>
#include <fmt/format.h>

namespace qev::recording {

std::string RecDurationText(std::chrono::seconds duration) {
  const long long total = std::max<long long>(0, duration.count());
  return fmt::format("{:02}:{:02}:{:02}", total / 3600, total / 60 % 60, total % 60);
}

std::string RecElapsedText(const TRecordSlotView &slot) { return RecDurationText(slot.Elapsed); }

std::string RecRemainingText(const TRecordSlotView &slot) {
  if (slot.Limits.StopAfterSeconds == 0)
    return "---";
  return RecDurationText(std::chrono::seconds(slot.Limits.StopAfterSeconds) - slot.Elapsed);
}

} // namespace qev::recording
