#pragma once

#include "si/channel_rescan.h"

#include <cstdint>
#include <optional>

namespace qev::data {
class TChannelLists;
}
namespace qev::device {
class TTuningEngine;
}

namespace qev::si {

// The transponder of the channel AV slot 0 plays; nothing while it plays none.
std::optional<TActiveTransponder> ActiveTransponderOf(const device::TTuningEngine &engine);

// Rescans a stored channel on a copy of its record; when it changed and the user agrees, the
// engine stores the copy (and so updates the slots that show it). True when stored.
bool RescanByHandle(const TRescanLinks &links, const data::TChannelLists &lists,
                    device::TTuningEngine &engine, std::int32_t handle);

} // namespace qev::si
