#include "devkit/ini_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace qev::devkit {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::string_view TrimText(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::optional<IniFile> IniFile::Load(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return Parse(text.str());
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  ini.sections_.push_back({});
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    const std::string_view line = TrimText(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';' || line.front() == '#')
      continue;
    if (line.front() == '[' && line.back() == ']') {
      ini.sections_.push_back({std::string(TrimText(line.substr(1, line.size() - 2))), {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos)
      ini.sections_.back().entries.emplace_back(TrimText(line.substr(0, equals)),
                                                TrimText(line.substr(equals + 1)));
  }
  return ini;
}

const IniFile::Section *IniFile::Find(std::string_view name) const {
  for (const Section &section : sections_)
    if (EqualsNoCase(section.name, name))
      return &section;
  return nullptr;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Section &section : sections_)
    if (!section.name.empty())
      names.push_back(section.name);
  return names;
}

std::vector<IniFile::Entry> IniFile::Entries(std::string_view section) const {
  const Section *found = Find(section);
  return found != nullptr ? found->entries : std::vector<Entry>{};
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view fallback) const {
  for (const Entry &entry : Entries(section))
    if (EqualsNoCase(entry.first, key))
      return entry.second;
  return std::string(fallback);
}

long IniFile::GetInt(std::string_view section, std::string_view key, long fallback) const {
  const std::string text = Get(section, key);
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

} // namespace qev::devkit
