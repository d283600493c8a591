#include "tool/channel_find.h"

#include "data/channel_handle.h"

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

} // namespace qev::tool
