#pragma once

#include <array>
#include <string>
#include <vector>

namespace qev::teletext {

// The display characters of codes 0x20..0x7F for one national option: index = code - 0x20.
using TNationalTable = std::array<char16_t, 96>;

// The language choice that follows the page's own national option.
inline constexpr int kTtxLanguageAuto = 255;

// Sets the language name of a national option code (0..255; "Default (En)" for unknown codes)
// and, when a table is given, fills it.
void LoadNationalTable(int code, TNationalTable *table, std::string &name);
std::string NationalName(int code);

struct TtxLanguageItem {
  const char *Name;
  int Code;
};
// The language menu in its order, "Auto" (255) first.
const std::vector<TtxLanguageItem> &TtxLanguageMenu();

// One UTF-16 character as UTF-8, appended.
void AppendUtf8(std::string &out, char16_t character);
// Any Unicode code point as UTF-8, appended (the block sextants lie above U+FFFF); a surrogate or a
// value beyond U+10FFFF appends U+FFFD.
void AppendCodePointUtf8(std::string &out, char32_t codePoint);

} // namespace qev::teletext
