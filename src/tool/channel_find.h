#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "tool/tune_session.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace qev::tool {

class TToolContext;

inline constexpr int kMaxHandle = std::numeric_limits<std::int32_t>::max();

// The handle of the first channel of that name (letter case aside), satellites in the order of
// the list; -1 when there is none.
std::int32_t FindChannelByName(const data::TSatList &sats, const data::TChannelLists &lists,
                               const std::string &name);

// "HANDLE | --name NAME" once --name has been taken: without a name, the one argument left is
// the handle. kExitOk, or the bad-arguments exit with `usage`.
int TakeChannelHandle(TToolContext &context, const std::string &usage, bool named,
                      std::int32_t &handle);

// The channel of --name NAME (when given) or HANDLE, and its satellite and transponder in
// `tune` (the lock wait is left as it is). kExitOk, or the failure exit after saying what is
// missing.
int FindChannelTune(TToolContext &context, const data::TSatList &sats,
                    const data::TChannelLists &lists, const std::optional<std::string> &name,
                    std::int32_t handle, data::TChannelRec &channel, TTuneArgs &tune);

} // namespace qev::tool
