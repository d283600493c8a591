#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"

#include <cstdint>
#include <string>

namespace qev::tool {

// The handle of the first channel of that name (letter case aside), satellites in the order of
// the list; -1 when there is none.
std::int32_t FindChannelByName(const data::TSatList &sats, const data::TChannelLists &lists,
                               const std::string &name);

} // namespace qev::tool
