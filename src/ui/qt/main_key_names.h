#pragma once

#include <string>

class QKeyEvent;

namespace qev::ui {

// A key press named as the hotkey table names keys: "Ctrl+", "Shift+", "Alt+", "Win+" in that
// order, then the key ("M", "F11", "Right", "Enter", "Num +"...). A modifier pressed by itself
// gives its prefix alone.
std::string KeyNameOf(const QKeyEvent &event);

} // namespace qev::ui
