#pragma once

#include "ui/hotkey_table.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::ui {

inline constexpr const char *kHotKeysFile = "HotKeys.cfg";

// The fields of one line of "HotKeys.cfg", by position: separated by ",", blanks around them
// ignored, a field in double quotes may hold ",". An empty field between two separators is an
// empty value in its place, so a hand-written line never shifts its later fields.
std::vector<std::string> SplitHotKeyFields(std::string_view line);

// Applies one line to the table; false when the line is ignored (comment, fewer than three
// fields, code 0, not hexadecimal or not in the table). Fields 2..5 set HotKey1, HotKey2,
// Remote1, Remote2; a field the line does not have leaves its value as it was.
bool ApplyHotKeyLine(THotKeyTable &table, std::string_view line);

// The file's text: one line per action in table order, ending in CR LF.
std::string HotKeysText(const THotKeyTable &table);

// Overlays the file onto the table and sorts it by code. A missing file leaves the table as it
// is and is no error; a file that exists but cannot be read leaves it too and gives the error
// text (empty on success).
std::string LoadHotKeys(const std::filesystem::path &file, THotKeyTable &table);
// Writes the table safely; the error text, empty on success.
std::string SaveHotKeys(const std::filesystem::path &file, const THotKeyTable &table);

} // namespace qev::ui
