#include "sky_config.h"

#include "devapi/qev_devapi.h"
#include "devkit/ini_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace qev::sim {

namespace fs = std::filesystem;
using devkit::EqualsNoCase;
using devkit::TrimText;

namespace {

constexpr const char *kSkySection = "Sky";
constexpr std::uint32_t kLargestShortForm = 99999; // MHz or Msymbols/s up to here
constexpr std::uint32_t kCBandOscillatorKhz = 5150000;
// Bounds that keep the signal arithmetic finite: a fade within about three years of opening,
// a motor no faster than a full turn a second, a drift within the 0..100 scale.
constexpr double kLongestSeconds = 1e8;
constexpr double kFastestMotor = 360;
constexpr double kLargestDrift = 100;

struct NamedModulation {
  const char *name;
  std::uint8_t code;
};
constexpr NamedModulation kModulations[] = {{"QPSK", QEV_MODULATION_QPSK},
                                            {"8PSK", QEV_MODULATION_8PSK},
                                            {"16APSK", QEV_MODULATION_16APSK},
                                            {"32APSK", QEV_MODULATION_32APSK}};

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

std::optional<double> ParseDecimal(std::string_view text) {
  const std::string number(TrimText(text));
  char *end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::chrono::milliseconds Milliseconds(double seconds) {
  return std::chrono::milliseconds(std::lround(seconds * 1000));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// "S" or "DVB-S" (QPSK), "S2" (QPSK), "S2-8PSK", "DVB-S2-16APSK", ...
std::optional<Delivery> ParseDelivery(std::string_view text) {
  if (StartsWithNoCase(text, "DVB-"))
    text.remove_prefix(4);
  if (EqualsNoCase(text, "S"))
    return Delivery{QEV_DELIVERY_DVBS, QEV_MODULATION_QPSK};
  if (!StartsWithNoCase(text, "S2"))
    return std::nullopt;
  text.remove_prefix(2);
  if (text.empty())
    return Delivery{QEV_DELIVERY_DVBS2, QEV_MODULATION_QPSK};
  if (text.front() != '-')
    return std::nullopt;
  text.remove_prefix(1);
  for (const NamedModulation &m : kModulations)
    if (EqualsNoCase(text, m.name))
      return Delivery{QEV_DELIVERY_DVBS2, m.code};
  return std::nullopt;
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

// FREQUENCY,POLARISATION,SYMBOLRATE,FILE,LEVEL,QUALITY,LOCKDELAY_MS[,DELIVERY]
std::optional<SkyTransponder> ParseTransponder(const std::string &text, const fs::path &folder) {
  const auto fields = SplitFields(text);
  if ((fields.size() != 7 && fields.size() != 8) || fields[1].empty())
    return std::nullopt;
  const auto delivery = fields.size() == 8 ? ParseDelivery(fields[7]) : Delivery{};
  if (!delivery)
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
  tp.delivery = *delivery;
  return tp;
}

// FREQUENCY,START_SECONDS,DURATION_SECONDS,DEPTH
std::optional<std::pair<std::uint32_t, Fade>> ParseFade(const std::string &text) {
  const auto fields = SplitFields(text);
  if (fields.size() != 4)
    return std::nullopt;
  const auto frequency = ParseNumber(fields[0]);
  const auto start = ParseDecimal(fields[1]);
  const auto duration = ParseDecimal(fields[2]);
  const auto depth = ParseNumber(fields[3]);
  if (!frequency || !start || !duration || !depth || *start < 0 || *start > kLongestSeconds ||
      *duration > kLongestSeconds || Milliseconds(*duration).count() <= 0 || *depth < 0 ||
      *depth > 100)
    return std::nullopt;
  return std::pair{FullUnits(*frequency),
                   Fade{Milliseconds(*start), Milliseconds(*duration), static_cast<int>(*depth)}};
}

bool IsFadeKey(const std::string &key) {
  return StartsWithNoCase(key, "Fade") &&
         key.find_first_not_of("0123456789", 4) == std::string::npos;
}

// A fade belongs to the satellite's transponders on its frequency.
bool AddFade(SkySatellite &sat, const std::string &text) {
  const auto fade = ParseFade(text);
  bool found = false;
  for (SkyTransponder &tp : sat.transponders) {
    if (fade && tp.frequencyKhz == fade->first) {
      tp.fades.push_back(fade->second);
      found = true;
    }
  }
  return found;
}

// Lnb=universal (LnbLow and LnbHigh of the section, else of [Sky]), cband, or single:FREQ.
std::optional<Lnb> ParseLnb(const IniFile &ini, const std::string &section, const Sky &sky) {
  Lnb lnb{FullUnits(ini.GetInt(section, "LnbLow", sky.lnbLowKhz)),
          FullUnits(ini.GetInt(section, "LnbHigh", sky.lnbHighKhz))};
  const std::string type(TrimText(ini.Get(section, "Lnb", "universal")));
  if (EqualsNoCase(type, "universal"))
    return lnb;
  if (EqualsNoCase(type, "cband"))
    return Lnb{kCBandOscillatorKhz, kCBandOscillatorKhz};
  const auto colon = type.find(':');
  if (colon == std::string::npos || !EqualsNoCase(type.substr(0, colon), "single"))
    return std::nullopt;
  const auto oscillator = ParseNumber(std::string_view(type).substr(colon + 1));
  if (!oscillator || *oscillator <= 0)
    return std::nullopt;
  return Lnb{FullUnits(*oscillator), FullUnits(*oscillator)};
}

int ParseBurst(const std::string &text) {
  if (EqualsNoCase(text, "A"))
    return 1;
  return EqualsNoCase(text, "B") ? 2 : 0;
}

std::optional<SkySatellite> ParseSatellite(const IniFile &ini, const std::string &section,
                                           const Sky &sky, const fs::path &folder,
                                           std::string &error) {
  SkySatellite sat;
  sat.name = section;
  const auto lnb = ParseLnb(ini, section, sky);
  if (!lnb) {
    error = "[" + section + "] Lnb: " + ini.Get(section, "Lnb");
    return std::nullopt;
  }
  sat.lnb = *lnb;
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
  for (const auto &[key, value] : ini.Entries(section)) {
    if (IsFadeKey(key) && !AddFade(sat, value)) {
      error = "[" + section + "] " + key + ": " + value;
      return std::nullopt;
    }
  }
  return sat;
}

// The [Sky] keys beyond the name; false with `error` set for a wrong value.
bool ParseSkyKeys(const IniFile &ini, Sky &sky, std::string &error) {
  sky.fast = ini.GetInt(kSkySection, "Fast", 0) != 0;
  sky.lnbLowKhz = FullUnits(ini.GetInt(kSkySection, "LnbLow", sky.lnbLowKhz));
  sky.lnbHighKhz = FullUnits(ini.GetInt(kSkySection, "LnbHigh", sky.lnbHighKhz));
  const struct {
    const char *key;
    double &value;
    double largest;
  } decimals[] = {{"MotorSpeed", sky.motorSpeed, kFastestMotor},
                  {"Drift", sky.driftPoints, kLargestDrift}};
  for (const auto &[key, value, largest] : decimals) {
    const std::string text = ini.Get(kSkySection, key);
    if (text.empty())
      continue;
    const auto number = ParseDecimal(text);
    if (!number || *number < 0 || *number > largest) {
      error = std::string("[Sky] ") + key + ": " + text;
      return false;
    }
    value = *number;
  }
  const long period = ini.GetInt(kSkySection, "DriftPeriod", sky.driftPeriod.count());
  if (period <= 0 || period > kLongestSeconds) {
    error = "[Sky] DriftPeriod: " + ini.Get(kSkySection, "DriftPeriod");
    return false;
  }
  sky.driftPeriod = std::chrono::seconds(period);
  return true;
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
  if (!ParseSkyKeys(ini, sky, error))
    return std::nullopt;
  for (const std::string &section : ini.Sections()) {
    if (EqualsNoCase(section, kSkySection))
      continue;
    auto sat = ParseSatellite(ini, section, sky, folder, error);
    if (!sat)
      return std::nullopt;
    sky.satellites.push_back(std::move(*sat));
  }
  return sky;
}

std::string DeliveryName(const Delivery &delivery) {
  std::string name = delivery.system == QEV_DELIVERY_DVBS2 ? "DVB-S2" : "DVB-S";
  for (const NamedModulation &m : kModulations)
    if (m.code == delivery.modulation)
      return name + " " + m.name;
  return name;
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
