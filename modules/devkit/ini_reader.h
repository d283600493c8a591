#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qev::devkit {

// The few INI files a module reads: "[Section]" lines, "Key=Value" lines, ';' or '#'
// comments. Names compare without regard to letter case; entries keep the order of the file.
// Modules keep their own reader so that they need nothing of the program.
class IniFile {
public:
  using Entry = std::pair<std::string, std::string>;

  // Empty when the file cannot be read.
  static std::optional<IniFile> Load(const std::filesystem::path &path);
  static IniFile Parse(std::string_view text);

  std::vector<std::string> Sections() const;
  std::vector<Entry> Entries(std::string_view section) const;
  std::string Get(std::string_view section, std::string_view key,
                  std::string_view fallback = {}) const;
  long GetInt(std::string_view section, std::string_view key, long fallback) const;

private:
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section *Find(std::string_view name) const;

  std::vector<Section> sections_;
};

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view TrimText(std::string_view text);

} // namespace qev::devkit
