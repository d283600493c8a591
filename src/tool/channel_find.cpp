#include "tool/channel_find.h"

#include "data/channel_handle.h"
#include "tool/tool_context.h"

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

} // namespace qev::tool
