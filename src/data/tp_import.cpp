#include "data/tp_import.h"

#include "data/code_tables.h"
#include "data/tp_files.h"
#include "data/transponder_list.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

struct Band {
  const char *name;
  std::uint32_t low, high; // MHz
};
constexpr Band kBands[] = {
    {"S", 2500, 2700}, {"C", 3000, 4900}, {"Ku", 10700, 12750}, {"Ka", 17300, 22200}};
constexpr std::uint32_t kMinSRate = 1000, kMaxSRate = 60000;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// One entry as read, before its values are judged.
struct RawEntry {
  std::string text;
  std::string system, freq, polar, srate;
};

char PolarOf(const std::string &value) {
  const std::string v = Upper(value);
  if (v == "H" || v == "HORIZONTAL" || v == "L" || v == "LEFT")
    return 'H';
  if (v == "V" || v == "VERTICAL" || v == "R" || v == "RIGHT")
    return 'V';
  return '\0';
}

bool IsSatelliteSystem(const std::string &system) {
  const std::string s = Upper(system);
  return s.empty() || s == "DVBS" || s == "DVBS2" || s == "DVB-S" || s == "DVB-S2";
}

std::string Judge(const RawEntry &raw, TTransponder &tp) {
  if (!IsSatelliteSystem(raw.system))
    return "delivery system " + raw.system + " is not a satellite system";
  const std::uint32_t freq = NumberOr0(raw.freq);
  if (freq == 0)
    return raw.freq.empty() ? "no frequency" : "unreadable frequency " + raw.freq;
  const char polar = PolarOf(raw.polar);
  if (polar == '\0')
    return raw.polar.empty() ? "no polarisation" : "unknown polarisation " + raw.polar;
  const std::uint32_t srate = NumberOr0(raw.srate);
  if (srate == 0)
    return raw.srate.empty() ? "no symbol rate" : "unreadable symbol rate " + raw.srate;
  tp = MakeTransponder(FreqToKHz(freq) / 1000, polar, SRateToKSps(srate));
  return ReceivableCheck(tp.TpFreq, tp.TpSRate);
}

std::optional<RawEntry> LegacyLine(const std::string &line) {
  std::istringstream in(line);
  std::string kind;
  RawEntry raw;
  if (!(in >> kind) || (kind != "S" && kind != "S1" && kind != "S2"))
    return std::nullopt;
  in >> raw.freq >> raw.polar >> raw.srate;
  raw.system = kind == "S2" ? "DVBS2" : "DVBS";
  raw.text = line;
  return raw;
}

std::vector<RawEntry> ReadEntries(std::string_view text) {
  std::vector<RawEntry> entries;
  std::istringstream in{std::string(text)};
  std::string line;
  bool inBlock = false;
  while (std::getline(in, line)) {
    const std::string trimmed = frame::Trim(line);
    if (trimmed.empty() || trimmed[0] == '#')
      continue;
    if (trimmed[0] == '[') {
      entries.push_back({trimmed, "", "", "", ""});
      inBlock = true;
      continue;
    }
    const std::size_t eq = trimmed.find('=');
    if (inBlock && eq != std::string::npos) {
      RawEntry &e = entries.back();
      const std::string key = Upper(frame::Trim(trimmed.substr(0, eq)));
      const std::string value = frame::Trim(trimmed.substr(eq + 1));
      if (key == "DELIVERY_SYSTEM")
        e.system = value;
      else if (key == "FREQUENCY")
        e.freq = value;
      else if (key == "POLARIZATION")
        e.polar = value;
      else if (key == "SYMBOL_RATE")
        e.srate = value;
      continue;
    }
    inBlock = false;
    if (auto raw = LegacyLine(trimmed))
      entries.push_back(std::move(*raw));
    else
      entries.push_back({trimmed, "", "", "", ""}); // refused below as unreadable
  }
  return entries;
}

void Take(TImportResult &result, const TTransponder &tp, std::string text) {
  const int number = result.Entries() + 1;
  const bool duplicate = std::any_of(result.Imported.begin(), result.Imported.end(),
                                     [&](const TTransponder &t) { return TpSameChannel(t, tp); });
  if (duplicate)
    result.Refused.push_back({number, std::move(text), "duplicate of an earlier entry"});
  else
    result.Imported.push_back(tp);
}

TImportResult FromList(const char *format, const std::vector<TTransponder> &list) {
  TImportResult result;
  result.Format = format;
  for (const TTransponder &tp : list) {
    if (const std::string reason = ReceivableCheck(tp.TpFreq, tp.TpSRate); !reason.empty())
      result.Refused.push_back({result.Entries() + 1, TpText(tp), reason});
    else
      Take(result, tp, TpText(tp));
  }
  return result;
}

std::string ReadAll(const fs::path &file, std::string &error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + file.string();
    return {};
  }
  return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

std::string ReceivableCheck(std::uint32_t freqMHz, std::uint32_t srateKSps) {
  const bool inBand = std::any_of(std::begin(kBands), std::end(kBands), [&](const Band &b) {
    return freqMHz >= b.low && freqMHz <= b.high;
  });
  if (!inBand)
    return fmt::format("frequency {} MHz is outside the S, C, Ku and Ka bands", freqMHz);
  if (srateKSps < kMinSRate || srateKSps > kMaxSRate)
    return fmt::format("symbol rate {} kS/s is outside {}..{}", srateKSps, kMinSRate, kMaxSRate);
  return {};
}

TImportResult ParseDvbv5(std::string_view text) {
  TImportResult result;
  result.Format = "dvbv5";
  for (const RawEntry &raw : ReadEntries(text)) {
    TTransponder tp{};
    const std::string reason = Judge(raw, tp);
    if (reason.empty())
      Take(result, tp, raw.text);
    else
      result.Refused.push_back({result.Entries() + 1, raw.text, reason});
  }
  return result;
}

TImportResult ImportTransponderFile(const fs::path &file, std::string &error) {
  const std::string ext = Upper(file.extension().string());
  if (ext == ".INI") {
    TSatTransponders list;
    if (!list.TpLoadIni(file)) {
      error = kInvalidTpFile;
      return {};
    }
    return FromList("ini", list.Items());
  }
  const std::string text = ReadAll(file, error);
  if (!error.empty())
    return {};
  if (ext == ".TWS")
    return FromList("tws", ParseTws(text));
  if (ext == ".SDX")
    return FromList("sdx", ParseSdx(text).Transponders());
  return ParseDvbv5(text);
}

} // namespace qev::data
