#include "sky_config.h"

#include "ini_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <sstream>

namespace qev::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char *kSkySection = "Sky";
constexpr std::uint32_t kLargestShortForm = 99999; // MHz or Msymbols/s up to here

std::optional<long> ParseNumber(std::string_view text) {
  text = TrimText(text);
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

// Frequencies and symbol rates may be written short (MHz, Msymbols/s), as the program does.
std::uint32_t FullUnits(long value) {
  const auto units = static_cast<std::uint32_t>(value);
  return units <= kLargestShortForm ? units * 1000 : units;
}

std::vector<std::string> SplitFields(const std::string &text) {
  std::vector<std::string> fields;
  std::istringstream in(text);
  for (std::string field; std::getline(in, field, ',');)
    fields.emplace_back(TrimText(field));
  return fields;
}

bool IsTransponderKey(const std::string &key) {
  return key.size() > 2 && EqualsNoCase(key.substr(0, 2), "TP") &&
         key.find_first_not_of("0123456789", 2) == std::string::npos;
}

// FREQUENCY,POLARISATION,SYMBOLRATE,FILE,LEVEL,QUALITY,LOCKDELAY_MS
std::optional<SkyTransponder> ParseTransponder(const std::string &text, const fs::path &folder) {
  const auto fields = SplitFields(text);
  if (fields.size() != 7 || fields[1].empty())
    return std::nullopt;
  const auto frequency = ParseNumber(fields[0]);
  const auto symbolRate = ParseNumber(fields[2]);
  const auto level = ParseNumber(fields[4]);
  const auto quality = ParseNumber(fields[5]);
  const auto delay = ParseNumber(fields[6]);
  const char pol = static_cast<char>(std::toupper(static_cast<unsigned char>(fields[1][0])));
  if (!frequency || !symbolRate || !level || !quality || !delay || (pol != 'H' && pol != 'V'))
    return std::nullopt;
  SkyTransponder tp;
  tp.frequencyKhz = FullUnits(*frequency);
  tp.polarisation = pol == 'H' ? Polarisation::Horizontal : Polarisation::Vertical;
  tp.symbolRate = FullUnits(*symbolRate);
  tp.file = fs::path(fields[3]).is_absolute() ? fs::path(fields[3]) : folder / fields[3];
  tp.level = static_cast<std::uint16_t>(std::clamp(*level, 0L, 100L));
  tp.quality = static_cast<std::uint16_t>(std::clamp(*quality, 0L, 100L));
  tp.lockDelay = std::chrono::milliseconds(std::max(*delay, 0L));
  return tp;
}

int ParseBurst(const std::string &text) {
  if (EqualsNoCase(text, "A"))
    return 1;
  return EqualsNoCase(text, "B") ? 2 : 0;
}

std::optional<SkySatellite> ParseSatellite(const IniFile &ini, const std::string &section,
                                           const fs::path &folder, std::string &error) {
  SkySatellite sat;
  sat.name = section;
  sat.path.committedPort = static_cast<int>(ini.GetInt(section, "Committed", 0));
  sat.path.uncommittedPort = static_cast<int>(ini.GetInt(section, "Uncommitted", 0));
  sat.path.toneBurst = ParseBurst(ini.Get(section, "Burst"));
  sat.path.storedPosition = static_cast<int>(ini.GetInt(section, "Position", 0));
  if (const std::string angle = ini.Get(section, "Angle"); !angle.empty()) {
    sat.path.angle = ParseAngle(angle);
    if (!sat.path.angle) {
      error = "[" + section + "] Angle: " + angle;
      return std::nullopt;
    }
  }
  for (const auto &[key, value] : ini.Entries(section)) {
    if (!IsTransponderKey(key))
      continue;
    auto tp = ParseTransponder(value, folder);
    if (!tp) {
      error = "[" + section + "] " + key + ": " + value;
      return std::nullopt;
    }
    sat.transponders.push_back(std::move(*tp));
  }
  return sat;
}

} // namespace

std::optional<double> ParseAngle(const std::string &text) {
  std::string number(TrimText(text));
  double sign = 1;
  if (!number.empty() && (number.back() == 'E' || number.back() == 'e' || number.back() == 'W' ||
                          number.back() == 'w')) {
    sign = (number.back() == 'E' || number.back() == 'e') ? -1 : 1;
    number.pop_back();
  }
  char *end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size())
    return std::nullopt;
  return sign * value;
}

std::optional<Sky> ParseSky(const IniFile &ini, const fs::path &folder, std::string &error) {
  Sky sky;
  sky.name = ini.Get(kSkySection, "Name", sky.name);
  sky.fast = ini.GetInt(kSkySection, "Fast", 0) != 0;
  sky.lnbLowKhz = FullUnits(ini.GetInt(kSkySection, "LnbLow", sky.lnbLowKhz));
  sky.lnbHighKhz = FullUnits(ini.GetInt(kSkySection, "LnbHigh", sky.lnbHighKhz));
  for (const std::string &section : ini.Sections()) {
    if (EqualsNoCase(section, kSkySection))
      continue;
    auto sat = ParseSatellite(ini, section, folder, error);
    if (!sat)
      return std::nullopt;
    sky.satellites.push_back(std::move(*sat));
  }
  return sky;
}

std::optional<Sky> LoadSky(const fs::path &path, std::string &error) {
  const auto ini = IniFile::Load(path);
  if (!ini) {
    error = "Cannot read " + path.string();
    return std::nullopt;
  }
  return ParseSky(*ini, path.parent_path(), error);
}

} // namespace qev::sim
