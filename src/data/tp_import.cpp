#include "data/tp_import.h"

#include "data/code_tables.h"
#include "data/data_file.h"
#include "data/tp_files.h"
#include "data/transponder_list.h"
#include "frame/fast_ini_file.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
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
// A scanned channel keeps its symbol rate in 16 bits; that is the only bound.
constexpr std::uint32_t kMaxSRate = 65535;
constexpr const char *kNotAnEntry = "not frequency, polarisation and symbol rate";

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// One entry as read, before its values are judged.
struct RawEntry {
  int line = 0;
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
  bool inBlock = false;
  int number = 0;
  for (const std::string &line : TextLines(text)) {
    ++number;
    const std::string trimmed = frame::Trim(line);
    if (trimmed.empty() || trimmed[0] == '#')
      continue;
    if (trimmed[0] == '[') {
      entries.push_back({number, trimmed, "", "", "", ""});
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
    if (auto raw = LegacyLine(trimmed)) {
      raw->line = number;
      entries.push_back(std::move(*raw));
    } else {
      entries.push_back({number, trimmed, "", "", "", ""}); // refused below as unreadable
    }
  }
  return entries;
}

// Collects a result entry by entry, numbering them and refusing repeats.
class TResultBuilder {
public:
  explicit TResultBuilder(const char *format) { result_.Format = format; }

  void Refuse(int line, std::string text, std::string reason) {
    result_.Refused.push_back({Next(line), std::move(text), std::move(reason)});
  }
  // Judges an entry that reads as a transponder: reception first, then repeats.
  void Offer(int line, const TTransponder &tp, std::string text) {
    if (std::string reason = ReceivableCheck(tp.TpFreq, tp.TpSRate); !reason.empty())
      Refuse(line, std::move(text), std::move(reason));
    else if (!seen_.insert(TpKey(tp)).second)
      Refuse(line, std::move(text), "duplicate of an earlier entry");
    else
      result_.Imported.push_back({Next(line), tp});
  }
  TImportResult Take() { return std::move(result_); }

private:
  TEntryPlace Next(int line) const { return {result_.Entries() + 1, line}; }

  TImportResult result_;
  std::set<TTpKey> seen_;
};

// The line of each key of the [DVB] section, for naming refused entries.
std::map<std::string, int> DvbKeyLines(std::string_view text) {
  std::map<std::string, int> lines;
  bool inDvb = false;
  int number = 0;
  for (const std::string &raw : TextLines(text)) {
    ++number;
    const std::string line = frame::Trim(raw);
    if (line.starts_with('[')) {
      inDvb = Upper(frame::Trim(line.substr(1, line.find(']') - 1))) == "DVB";
      continue;
    }
    if (const std::size_t eq = line.find('='); inDvb && eq != std::string::npos)
      lines.emplace(Upper(frame::Trim(line.substr(0, eq))), number);
  }
  return lines;
}

} // namespace

std::string ReceivableCheck(std::uint32_t freqMHz, std::uint32_t srateKSps) {
  const bool inBand = std::any_of(std::begin(kBands), std::end(kBands), [&](const Band &b) {
    return freqMHz >= b.low && freqMHz <= b.high;
  });
  if (!inBand)
    return fmt::format("frequency {} MHz is outside the S, C, Ku and Ka bands", freqMHz);
  if (srateKSps == 0 || srateKSps > kMaxSRate)
    return fmt::format("symbol rate {} kS/s is outside 1..{}", srateKSps, kMaxSRate);
  return {};
}

TImportResult ParseDvbv5(std::string_view text) {
  TResultBuilder builder("dvbv5");
  for (const RawEntry &raw : ReadEntries(text)) {
    TTransponder tp{};
    if (std::string reason = Judge(raw, tp); !reason.empty())
      builder.Refuse(raw.line, raw.text, std::move(reason));
    else
      builder.Offer(raw.line, tp, raw.text);
  }
  return builder.Take();
}

TImportResult ParseTwsImport(std::string_view text) {
  TResultBuilder builder("tws");
  int number = 0;
  for (const std::string &line : TextLines(text)) {
    ++number;
    const std::string trimmed = frame::Trim(line);
    if (trimmed.empty())
      continue;
    if (const auto tp = ParseTpText(trimmed))
      builder.Offer(number, *tp, trimmed);
    else
      builder.Refuse(number, trimmed, kNotAnEntry);
  }
  return builder.Take();
}

TImportResult ParseIniImport(std::string_view text, bool &ok) {
  std::stringstream stream{std::string(text)};
  frame::TFastIniStream ini(stream);
  const TTpIniContent content = ReadTpIni(ini);
  const std::map<std::string, int> lines = DvbKeyLines(text);
  TResultBuilder builder("ini");
  bool anyEntry = false; // a file without a single transponder entry is invalid
  for (const TTpIniEntry &entry : content.Entries) {
    const auto line = lines.find(std::to_string(entry.Key));
    const int number = line == lines.end() ? 0 : line->second;
    const auto tp = ParseTpText(entry.Text);
    anyEntry |= tp.has_value();
    if (tp)
      builder.Offer(number, *tp, entry.Text);
    else
      builder.Refuse(number, entry.Text, kNotAnEntry);
  }
  ok = !content.PositionText.empty() && anyEntry;
  return builder.Take();
}

TImportResult ImportTransponderFile(const fs::path &file, std::string &error) {
  const TFileContent content = ReadDataFile(file);
  if (content.Status != FileReadStatus::Read) {
    error =
        fmt::format("cannot read {}: {}", file.string(),
                    content.Status == FileReadStatus::Missing ? "no such file" : content.Reason);
    return {};
  }
  const std::string ext = Upper(file.extension().string());
  if (ext == ".INI") {
    bool ok = false;
    TImportResult result = ParseIniImport(content.Text, ok);
    if (!ok)
      error = kInvalidTpFile;
    return ok ? result : TImportResult{};
  }
  if (ext == ".TWS")
    return ParseTwsImport(content.Text);
  if (ext == ".SDX") {
    TResultBuilder builder("sdx");
    for (const TTransponder &tp : ParseSdx(content.Text).Transponders())
      builder.Offer(0, tp, TpText(tp));
    return builder.Take();
  }
  return ParseDvbv5(content.Text);
}

int AddImported(TSatTransponders &list, TImportResult &result) {
  std::set<TTpKey> present;
  for (const TTransponder &tp : list.Items())
    present.insert(TpKey(tp));
  std::vector<TImportedEntry> added;
  for (const TImportedEntry &entry : result.Imported) {
    if (!present.insert(TpKey(entry.Tp)).second) {
      result.Refused.push_back({entry.Place, TpText(entry.Tp), "already in the list"});
      continue;
    }
    list.TpAdd(entry.Tp);
    added.push_back(entry);
  }
  result.Imported = std::move(added);
  std::sort(
      result.Refused.begin(), result.Refused.end(),
      [](const TRefusedEntry &a, const TRefusedEntry &b) { return a.Place.Entry < b.Place.Entry; });
  return static_cast<int>(result.Imported.size());
}

} // namespace qev::data
