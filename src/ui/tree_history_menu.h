#pragma once

#include "device/channel_history.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::ui {

// One entry of the previous-channel menu.
struct THistoryMenuItem {
  std::int32_t Handle = 0;
  std::string Caption;
  int Icon = -1;
};

// The menu line of one history text ("ddhhnnss" + icon digit + the channel's name); false when
// the trimmed text is too short to carry a name.
bool ParseHistoryText(std::string_view text, THistoryMenuItem &item);

// The slot's history newest first, without the entries too short to show.
std::vector<THistoryMenuItem> HistoryMenuItems(const std::vector<device::THistoryEntry> &entries);

} // namespace qev::ui
