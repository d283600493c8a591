#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qev::tsgen::test {

// What a receiver would complain about in a constant-bitrate transport stream: broken
// continuity, PCRs that step back or come too seldom, and PES packets that arrive too close to
// (or after) their decoding time. Arrival times come from the PCRs of the first PCR PID.
struct StreamCheck {
  std::vector<std::string> continuityErrors;
  std::vector<std::string> pcrErrors;
  double largestPcrIntervalMs = 0;
  double smallestPesMarginMs = 1e9; // decoding time minus arrival of the PES's last packet
  std::size_t pesCount = 0;

  static StreamCheck Of(std::span<const std::uint8_t> stream);
};

} // namespace qev::tsgen::test
