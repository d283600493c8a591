#include "tool/channel_find.h"

#include "data/channel_handle.h"
#include "tool/tool_context.h"

#include <fmt/format.h>

namespace qev::tool {

std::int32_t FindChannelByName(const data::TSatList &sats, const data::TChannelLists &lists,
                               const std::string &name) {
  for (const data::TSatRec &sat : sats.Items()) {
    const data::TChannelsList *list = lists.ListOf(sat.SatIdx);
    const int position = list ? list->ListFindByName(name) : -1;
    if (position >= 0)
      return data::MakeChannelHandle(sat.SatIdx, static_cast<std::uint16_t>(position));
  }
  return -1;
}

int TakeChannelHandle(TToolContext &context, const std::string &usage, bool named,
                      std::int32_t &handle) {
  if (named ? !context.Args.empty() : context.Args.size() != 1)
    return context.BadArguments(usage);
  if (!named) {
    const auto number = ParseInt(context.Args[0], 1, kMaxHandle);
    if (!number)
      return context.BadArguments(usage);
    handle = *number;
  }
  return kExitOk;
}

int FindChannelTune(TToolContext &context, const data::TSatList &sats,
                    const data::TChannelLists &lists, const std::optional<std::string> &name,
                    std::int32_t handle, data::TChannelRec &channel, TTuneArgs &tune) {
  if (name)
    handle = FindChannelByName(sats, lists, *name);
  const std::optional<data::TChannelRec> found = lists.ChannelByHandle(handle);
  if (!found)
    return context.Fail(name ? "no channel named " + *name
                             : fmt::format("no channel with handle {}", handle));
  if (!sats.SatGet(found->SatIndex, tune.sat))
    return context.Fail(
        fmt::format("no satellite {} for {}", int{found->SatIndex}, data::ChName(*found)));
  channel = *found;
  tune.frequency = found->Freq;
  tune.polarisation = std::string(1, found->Polar);
  tune.symbolRate = std::uint32_t{found->SRate} * 1000;
  return kExitOk;
}

} // namespace qev::tool
