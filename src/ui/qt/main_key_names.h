#pragma once

#include <string>

class QKeyEvent;

namespace qev::ui {

// A key press named as the hotkey table names keys: "Ctrl+", "Shift+", "Alt+", "Win+" in that
// order, then the key. The key is named by its place on the keyboard when the event carries
// an X11 key code ("M", "1", "Num +", "Enter"), else by the Qt key and the keypad flag; the
// navigation keys are named as such wherever they are ("Right", "Page Up", "Delete"). A
// modifier pressed by itself gives its prefix alone.
std::string KeyNameOf(const QKeyEvent &event);

} // namespace qev::ui
