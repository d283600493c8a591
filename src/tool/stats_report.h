#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qev::diagnostics {
class TTsStatistics;
}

namespace qev::tool {

// One PID of the stream as "stats" reports it.
struct TPidReport {
  std::uint16_t pid = 0;
  std::uint32_t packets = 0;
  std::uint32_t scrambled = 0;
  std::uint32_t ccErrors = 0;
  std::string type;
  double kbps = 0; // kbit/s, 1 kbit = 1000 bits
};

// Per-PID counts of a measured stream with rates over its duration: the stream's own (from
// its PCR) for a file, the measuring time for a live transponder.
class TStatsReport {
public:
  TStatsReport(const diagnostics::TTsStatistics &stats, double seconds);

  // The duration of the counted packets by the stream's PCR; none without one.
  static std::optional<double> PcrSeconds(const diagnostics::TTsStatistics &stats);

  const std::vector<TPidReport> &Pids() const { return pids_; }
  double TotalKbps() const { return totalKbps_; }
  // "pids" and "total_kbps" into the document.
  void WriteJson(nlohmann::ordered_json &doc) const;
  void WriteText(std::ostream &out) const;

private:
  std::vector<TPidReport> pids_;
  double totalKbps_ = 0;
};

} // namespace qev::tool
