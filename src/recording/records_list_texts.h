#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace qev::recording {

// Kilobytes with the unit: "1234 Kb".
std::string TotalSizeText(std::int64_t bytes);
// The side list of a slot's PIDs: four hex digits, and the delivery mode as two.
std::string PidColumnText(std::uint16_t pid);
std::string ModeColumnText(std::uint8_t mode);

// The time limit that makes a recording end at `stop`: a stop already past is taken as now, and
// a stop before the start gives no limit (0).
std::uint32_t StopAfterSecondsFor(std::chrono::system_clock::time_point start,
                                  std::chrono::system_clock::time_point stop,
                                  std::chrono::system_clock::time_point now);

} // namespace qev::recording
