#include "data/sat_list.h"
#include "tool/commands.h"

#include <fmt/format.h>

namespace qev::tool {

int RunSats(TToolContext &context) {
  if (!context.Args.empty())
    return context.BadArguments("sats takes no arguments");
  data::TSatList sats;
  sats.SatLoad();
  context.Doc["satellites"] = nlohmann::json::array();
  for (const data::TSatRec &sat : sats.Items()) {
    const std::string name = data::SatName(sat);
    context.Line(fmt::format(
        "{:03d} {} {:>6} {:<30} {} LOF {}/{}/{}", sat.SatIdx,
        sat.SatDish == 0 ? "Fix" : fmt::format("M {}", sat.SatDish), data::PositionText(sat.SatPos),
        name, sat.SatActive ? "active" : "inactive", sat.LofLow, sat.LofHigh, sat.LofSwitch));
    context.Doc["satellites"].push_back({{"index", sat.SatIdx},
                                         {"name", name},
                                         {"position", sat.SatPos},
                                         {"positionText", data::PositionText(sat.SatPos)},
                                         {"dish", sat.SatDish},
                                         {"active", sat.SatActive != 0},
                                         {"lofLow", sat.LofLow},
                                         {"lofHigh", sat.LofHigh},
                                         {"lofSwitch", sat.LofSwitch}});
  }
  context.Line(fmt::format("{} satellites", sats.Count()));
  return kExitOk;
}

} // namespace qev::tool
