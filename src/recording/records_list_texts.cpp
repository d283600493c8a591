#include "recording/records_list_texts.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace qev::recording {

std::string TotalSizeText(std::int64_t bytes) { return fmt::format("{} Kb", bytes / 1024); }

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
