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

// The main window's keys until the hotkey table takes over: the actions' default keys, named
// as the key-name rule names them ("Num +", "Ctrl+Right", "Alt+X"...), and the desktop's own
// shortcuts "Ctrl+Q" (quit) and "F11" (full screen of the main video).
std::optional<TKeyCommand> DefaultKeyCommand(std::string_view keyName);

} // namespace qev::ui
