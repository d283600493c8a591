#include "tool/stats_report.h"

#include "diagnostics/stat_list.h"
#include "diagnostics/ts_statistics.h"

#include <fmt/format.h>

#include <cmath>

namespace qev::tool {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

double Kbps(std::uint64_t packets, double seconds) {
  return seconds > 0
             ? static_cast<double>(packets) * diagnostics::kTsPacketSize * 8 / seconds / 1000
             : 0;
}

// Two decimals are enough for any reader and keep the output stable.
double Rounded(double value) { return std::round(value * 100) / 100; }

} // namespace

std::optional<double> TStatsReport::PcrSeconds(const diagnostics::TTsStatistics &stats) {
  const std::optional<double> bitRate = stats.PcrBitRate();
  if (!bitRate || *bitRate <= 0)
    return std::nullopt;
  return static_cast<double>(stats.TotalPackets()) * diagnostics::kTsPacketSize * 8 / *bitRate;
}

TStatsReport::TStatsReport(const diagnostics::TTsStatistics &stats, double seconds) {
  for (int pid = 0; pid < diagnostics::kPidCount; ++pid) {
    const diagnostics::TPidStat &s = stats.Pid(static_cast<std::uint16_t>(pid));
    const std::uint32_t packets = s.PacketCount.load(kRelaxed);
    if (packets == 0)
      continue;
    const diagnostics::TStatRow row{
        static_cast<std::uint16_t>(pid), 0, packets, 0, s.ClassState.load(kRelaxed),
        s.DataType.load(kRelaxed)};
    pids_.push_back(TPidReport{row.Pid, packets, s.ScrambledCount.load(kRelaxed),
                               s.CcErrors.load(kRelaxed), diagnostics::RowTypeText(row),
                               Kbps(packets, seconds)});
  }
  totalKbps_ = Kbps(stats.TotalPackets(), seconds);
}

void TStatsReport::WriteJson(nlohmann::ordered_json &doc) const {
  auto pids = nlohmann::ordered_json::array();
  for (const TPidReport &p : pids_)
    pids.push_back({{"pid", p.pid},
                    {"packets", p.packets},
                    {"scrambled", p.scrambled},
                    {"cc_errors", p.ccErrors},
                    {"type", p.type},
                    {"kbps", Rounded(p.kbps)}});
  doc["pids"] = std::move(pids);
  doc["total_kbps"] = Rounded(totalKbps_);
}

void TStatsReport::WriteText(std::ostream &out) const {
  out << fmt::format("{:<6} {:>10} {:>10} {:>6} {:>10}  {}\n", "PID", "Packets", "Scrambled", "CC",
                     "kbit/s", "Type");
  for (const TPidReport &p : pids_)
    out << fmt::format("0x{:04X} {:>10} {:>10} {:>6} {:>10.1f}  {}\n", p.pid, p.packets,
                       p.scrambled, p.ccErrors, p.kbps, p.type);
  out << fmt::format("Total {:.1f} kbit/s\n", totalKbps_);
}

} // namespace qev::tool
