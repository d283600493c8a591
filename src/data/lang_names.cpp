#include "data/lang_names.h"

#include "frame/string_utils.h"

#include <algorithm>

namespace qev::data {

namespace {
#include "data/iso639_table.inc" // generated at build time from iso-codes
} // namespace

std::span<const TLangEntry> LangTable() { return kIso639Table; }

std::string LangName(std::string_view code) {
  std::string wanted = frame::Trim(code).substr(0, 3);
  if (wanted.size() != 3)
    return {};
  std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const TLangEntry &entry : kIso639Table) {
    if (wanted == entry.Code)
      return entry.Name;
  }
  return {};
}

} // namespace qev::data
