#include "ui/main_keys.h"

#include "ui/main_commands.h"

#include <array>
#include <utility>

namespace qev::ui {

namespace {

constexpr int kFullScreenOfMain = 0 * 256 + 4;

struct TKeyRow {
  std::string_view Name;
  TKeyCommand Command;
};

constexpr std::array kDefaultKeys{
    TKeyRow{"Num +", {kCmdChannelNext, 0}},
    TKeyRow{"Num -", {kCmdChannelPrev, 0}},
    TKeyRow{"Ctrl+Right", {kCmdVolumeUp, 0}},
    TKeyRow{"Ctrl+Left", {kCmdVolumeDown, 0}},
    TKeyRow{"M", {kCmdMute, 0}},
    TKeyRow{"Ctrl+Num +", {kCmdPipChannelNext, 0}},
    TKeyRow{"Ctrl+Num -", {kCmdPipChannelPrev, 0}},
    TKeyRow{"Num *", {kCmdPipShowHide, 0}},
    TKeyRow{"Alt+Enter", {kCmdToggleFullScreen, 0}},
    TKeyRow{"Ctrl+Enter", {kCmdPipFullScreen, 0}},
    TKeyRow{"Num /", {kCmdPipSelectNext, 0}},
    TKeyRow{"Ctrl+Num /", {kCmdPipCyclePos, 0}},
    TKeyRow{"Alt+Num /", {kCmdPipCycleSize, 0}},
    TKeyRow{"Alt+X", {kCmdCloseApplication, 0}},
    TKeyRow{"Ctrl+S", {kCmdClearSleepTimer, 0}},
    TKeyRow{"Ctrl+R", {kCmdRecord, 0}},
    TKeyRow{"Ctrl+Q", {kCmdCloseApplication, 0}},
    TKeyRow{"F11", {kCmdWindowMode, kFullScreenOfMain}},
};

} // namespace

std::optional<TKeyCommand> DefaultKeyCommand(std::string_view keyName) {
  for (const TKeyRow &row : kDefaultKeys)
    if (row.Name == keyName)
      return row.Command;
  return std::nullopt;
}

} // namespace qev::ui
