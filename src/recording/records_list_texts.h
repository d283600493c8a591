#pragma once

#include "recording/recorder.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace qev::recording {

inline constexpr const char *kNoTimeLimit = "---";

// "hh:nn:ss"; the hours go on counting past 24 instead of starting again at 00, and a negative
// span shows as 00:00:00.
std::string DurationText(std::chrono::seconds span);
// Kilobytes with the unit: "1234 Kb".
std::string TotalSizeText(std::int64_t bytes);
// What is left of the time limit, "---" without one; never below 00:00:00.
std::string RemainingText(const TRecordSlotView &slot);
// The side list of a slot's PIDs: four hex digits, and the delivery mode as two.
std::string PidColumnText(std::uint16_t pid);
std::string ModeColumnText(std::uint8_t mode);

// The time limit that makes a recording end at `stop`: a stop already past is taken as now, and
// a stop before the start gives no limit (0).
std::uint32_t StopAfterSecondsFor(std::chrono::system_clock::time_point start,
                                  std::chrono::system_clock::time_point stop,
                                  std::chrono::system_clock::time_point now);

} // namespace qev::recording
