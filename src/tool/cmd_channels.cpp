#include "data/channel_list.h"
#include "data/code_tables.h"
#include "data/sat_list.h"
#include "frame/app_paths.h"
#include "tool/commands.h"

#include <fmt/format.h>

#include <filesystem>
#include <set>

namespace qev::tool {

namespace {

void ListChannels(TToolContext &context, const data::TChannelsList &list) {
  for (int i = 0; i < list.Count(); ++i) {
    const data::TChannelRec &rec = list.Item(i);
    const std::string name = data::ChName(rec);
    const std::string provider = data::FixedText(rec.ChProv);
    context.Line(fmt::format("{} {:>5} {:>8} {} {:>5} TID={:<5} SID={:<5} {:<9} {} [{}]",
                             data::PositionText(list.Position()), i, rec.Freq,
                             rec.Polar ? rec.Polar : '?', rec.SRate, rec.TID, rec.SID,
                             data::ServiceKindText(rec), name, provider));
    context.Doc["channels"].push_back({{"satIndex", list.SatIndex()},
                                       {"position", list.Position()},
                                       {"index", i},
                                       {"name", name},
                                       {"provider", provider},
                                       {"freq", rec.Freq},
                                       {"polar", std::string(1, rec.Polar)},
                                       {"srate", rec.SRate},
                                       {"tid", rec.TID},
                                       {"sid", rec.SID},
                                       {"kind", data::ServiceKindText(rec)},
                                       {"valid", data::ChValid(rec)}});
  }
}

// Channel files whose position belongs to no satellite are still shown, under index 0.
std::set<int> OrphanPositions(const data::TSatList &sats) {
  std::set<int> positions;
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator(frame::Paths().Channels, ec)) {
    const std::string file = entry.path().filename().string();
    const auto pos = file.size() == 8 ? ParseInt(file.substr(0, 4), 1, 3600) : std::nullopt;
    if (pos && file.substr(4) == data::ChannelFileName(*pos).substr(4) &&
        !sats.PositionTaken(*pos, -1))
      positions.insert(*pos);
  }
  return positions;
}

} // namespace

int RunChannels(TToolContext &context) {
  std::optional<int> only;
  if (const auto sat = context.TakeOption("--sat")) {
    only = ParseInt(*sat, 1, 255);
    if (!only)
      return context.BadArguments("--sat needs a satellite index 1..255");
  }
  if (!context.Args.empty())
    return context.BadArguments("unexpected argument " + context.Args.front());
  data::TSatList sats;
  sats.SatLoad();
  data::TSatRec probe;
  if (only && !sats.SatGet(*only, probe))
    return context.Fail(fmt::format("no satellite with index {}", *only));
  context.Doc["channels"] = nlohmann::json::array();
  int total = 0;
  for (const data::TSatRec &sat : sats.Items()) {
    if (only && sat.SatIdx != *only)
      continue;
    data::TChannelsList list(sat.SatPos, sat.SatIdx);
    list.ListLoad();
    ListChannels(context, list);
    total += list.Count();
  }
  if (!only) {
    for (const int position : OrphanPositions(sats)) {
      data::TChannelsList list(static_cast<std::uint16_t>(position), 0);
      list.ListLoad();
      ListChannels(context, list);
      total += list.Count();
    }
  }
  context.Line(fmt::format("{} channels", total));
  return kExitOk;
}

} // namespace qev::tool
