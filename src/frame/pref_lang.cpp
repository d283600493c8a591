#include "frame/pref_lang.h"

#include "frame/string_utils.h"

namespace qev::frame {

namespace {
std::array<char, 3> CodeOf(std::string_view token) {
  std::array<char, 3> code{'?', '?', '?'};
  for (std::size_t i = 0; i < code.size() && i < token.size(); ++i) {
    const char c = token[i];
    code[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return code;
}
} // namespace

TPrefLangArray ParsePrefLang(std::string_view text) {
  TPrefLangArray langs;
  for (const std::string &field : SplitAt(Trim(text), ",;./")) {
    const std::string token = Trim(field);
    if (token.empty())
      continue;
    langs.Codes[langs.Count++] = CodeOf(token);
    if (langs.Count == TPrefLangArray::kMaxCount)
      break;
  }
  return langs;
}

std::uint8_t PrefLangIndex(const TPrefLangArray &langs, std::string_view code) {
  const std::string token = Trim(code);
  if (token.empty())
    return TPrefLangArray::kNotPreferred;
  const std::array<char, 3> wanted = CodeOf(token);
  for (std::uint8_t i = 0; i < langs.Count; ++i) {
    if (langs.Codes[i] == wanted)
      return i;
  }
  return TPrefLangArray::kNotPreferred;
}

} // namespace qev::frame
