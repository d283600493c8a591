#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qev::data {

// One entry of the ISO 639 table: a three-letter lower-case code and its English name.
struct TLangEntry {
  const char *Code;
  const char *Name;
};

// The table in the order of the English names, bibliographic and terminology codes both
// present, ending with "qaa Original".
std::span<const TLangEntry> LangTable();
// The name of the first entry whose code matches the trimmed, lower-cased first three
// characters; empty for anything else.
std::string LangName(std::string_view code);

} // namespace qev::data
