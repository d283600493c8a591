#include "ui/key_names.h"

#include <array>

namespace qev::ui {

namespace {

constexpr std::uint32_t kX11Offset = 8;

// By evdev code, which equals the PC set-1 scan code for the main block and the numeric pad;
// the modifiers (29, 42, 54, 56) have no name of their own.
constexpr std::array<std::string_view, 89> kScanNames{
    "",      "Esc",   "1",         "2",        "3",           "4",
    "5",     "6",     "7",         "8",        "9",           "0",
    "-",     "=",     "Backspace", "Tab",      "Q",           "W",
    "E",     "R",     "T",         "Y",        "U",           "I",
    "O",     "P",     "[",         "]",        "Enter",       "",
    "A",     "S",     "D",         "F",        "G",           "H",
    "J",     "K",     "L",         ";",        "'",           "`",
    "",      "\\",    "Z",         "X",        "C",           "V",
    "B",     "N",     "M",         ",",        ".",           "/",
    "",      "Num *", "",          "Space",    "Caps Lock",   "F1",
    "F2",    "F3",    "F4",        "F5",       "F6",          "F7",
    "F8",    "F9",    "F10",       "Num Lock", "Scroll Lock", "Num 7",
    "Num 8", "Num 9", "Num -",     "Num 4",    "Num 5",       "Num 6",
    "Num +", "Num 1", "Num 2",     "Num 3",    "Num 0",       "Num Del",
    "",      "",      "\\",        "F11",      "F12",
};

// The pad's Enter is named as the main Enter.
constexpr std::uint32_t kPadEnter = 96;

} // namespace

std::string KeyNamePrefix(const TKeyModifiers &held) {
  std::string prefix;
  if (held.Ctrl)
    prefix += "Ctrl+";
  if (held.Shift)
    prefix += "Shift+";
  if (held.Alt)
    prefix += "Alt+";
  if (held.Win)
    prefix += "Win+";
  return prefix;
}

std::string_view ScanCodeKeyName(std::uint32_t x11KeyCode) {
  if (x11KeyCode < kX11Offset)
    return {};
  const std::uint32_t code = x11KeyCode - kX11Offset;
  if (code == kPadEnter)
    return "Enter";
  return code < kScanNames.size() ? kScanNames[code] : std::string_view{};
}

std::string_view ExtendedKeyName(TExtendedKey key) {
  constexpr std::array<std::string_view, 11> kNames{"Page Up", "Page Down", "End",   "Home",
                                                    "Left",    "Up",        "Right", "Down",
                                                    "Insert",  "Delete",    "Num /"};
  return kNames[static_cast<std::size_t>(key)];
}

} // namespace qev::ui
