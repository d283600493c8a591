#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qev::ui {

// A command message that a key gives.
struct TKeyCommand {
  int Command = 0;
  std::intptr_t Argument = 0;
};

// The desktop's own shortcuts of the main window, which the hotkey table does not hold: "Ctrl+Q"
// (quit) and "F11" (full screen of the main video). A hotkey of the same name comes first.
std::optional<TKeyCommand> DesktopKeyCommand(std::string_view keyName);

} // namespace qev::ui
