#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qev::ui {

// The modifiers held with a key.
struct TKeyModifiers {
  bool Ctrl = false;
  bool Shift = false;
  bool Alt = false;
  bool Win = false;
};

// "Ctrl+", "Shift+", "Alt+", "Win+" for the modifiers held, always in that order.
std::string KeyNamePrefix(const TKeyModifiers &held);

// The name a PC keyboard's key has by its position: the X11 key code (the evdev code + 8) of a
// key of the main block or the numeric pad, as "A", "1", "Enter", "Space", "Num 7", "Num +",
// "Num Del", "F12". The keys of the navigation block ("Home", "Up", "Page Down", "Delete"...)
// and the pad's divide key are named by ExtendedKeyName. Empty for a code without a name and
// for the modifier keys themselves.
std::string_view ScanCodeKeyName(std::uint32_t x11KeyCode);

// The keys that are named as extended keys, whatever key of the keyboard produced them (so an
// arrow of the numeric pad is named as the arrow).
enum class TExtendedKey {
  PageUp,
  PageDown,
  End,
  Home,
  Left,
  Up,
  Right,
  Down,
  Insert,
  Delete,
  Divide
};
std::string_view ExtendedKeyName(TExtendedKey key);

} // namespace qev::ui
