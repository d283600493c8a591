#include "data/tp_files.h"

#include "data/data_file.h"
#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Columns counted from 1, as the format describes them.
std::string Columns(std::string_view line, std::size_t from, std::size_t to) {
  if (line.size() < from)
    return {};
  return std::string(line.substr(from - 1, to - from + 1));
}

std::string JoinLines(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";
  return text;
}

std::optional<TSdxItem> ParseSdxService(std::string_view line) {
  if (line.size() <= 126 || Columns(line, 30, 33) != "MPG2")
    return std::nullopt;
  const char pol = line[42];
  if (pol != '0' && pol != '1')
    return std::nullopt;
  TSdxItem item;
  item.Kind = line[28];
  item.Name = frame::Trim(Columns(line, 44, 51) + Columns(line, 116, 127)).substr(0, 20);
  item.FreqMHz = NumberOr0(Columns(line, 34, 39));
  item.Polar = pol == '0' ? 'V' : 'H';
  item.SRate = NumberOr0(Columns(line, 70, 74));
  item.Beam = SafeBeamName(frame::Trim(Columns(line, 56, 63)));
  item.SID = static_cast<std::uint16_t>(NumberOr0(Columns(line, 88, 92)));
  item.TID = static_cast<std::uint16_t>(NumberOr0(Columns(line, 98, 102)));
  return item;
}

bool SdxKeyLess(const TSdxItem &a, const TSdxItem &b) {
  return a.TID != b.TID ? a.TID < b.TID : a.SID < b.SID;
}

// Replaces a file unless it exists and cannot be read; an error text, empty on success.
std::string ReplaceFile(const fs::path &file, std::string_view content,
                        std::string_view errorText) {
  const fs::path target = frame::FindExisting(file);
  if (const std::string reason = UnreadableReason(target); !reason.empty())
    return UnreadableSaveText(errorText, target, reason);
  const std::string error = frame::WriteFileAtomically(target, content);
  return error.empty() ? error : std::string(errorText) + error;
}

std::vector<TTransponder> TwsEntries(const std::vector<std::string> &lines) {
  std::vector<TTransponder> list;
  for (const std::string &line : lines) {
    if (const auto tp = ParseTpText(line))
      list.push_back(*tp);
  }
  return list;
}

} // namespace

std::vector<std::string> LoadLines(const fs::path &file, bool &ok) {
  const TFileContent content = ReadDataFile(file);
  ok = content.Status == FileReadStatus::Read;
  if (content.Status == FileReadStatus::Unreadable)
    LogUnreadable(content);
  return TextLines(content.Text);
}

std::vector<TTransponder> ParseTws(std::string_view text) { return TwsEntries(TextLines(text)); }

std::vector<TTransponder> LoadTws(const fs::path &file) {
  bool ok = false;
  return TwsEntries(LoadLines(file, ok));
}

std::string SaveTws(const fs::path &file, const std::vector<TTransponder> &list) {
  std::vector<std::string> lines;
  for (const TTransponder &tp : list)
    lines.push_back(TpText(tp));
  return ReplaceFile(file, JoinLines(lines), kErrSaveBlind);
}

std::string SafeBeamName(std::string_view beam) {
  std::string out;
  for (const char c : beam) {
    // "." is kept ("W.Europe"): the name always gets ".jpg" after it and never a "/".
    const bool safe =
        std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
    out += safe ? c : '_';
  }
  return out.substr(0, 8);
}

TSdxFile ParseSdx(std::string_view text) {
  TSdxFile sdx;
  for (const std::string &line : TextLines(text)) {
    if (sdx.SatName.empty() && Columns(line, 1, 7) == "SATCODX") {
      sdx.SatName = frame::Trim(Columns(line, 11, 28));
      continue;
    }
    if (auto item = ParseSdxService(line))
      sdx.Items.push_back(std::move(*item));
  }
  std::stable_sort(sdx.Items.begin(), sdx.Items.end(), SdxKeyLess);
  return sdx;
}

const TSdxItem *TSdxFile::Find(std::uint16_t tid, std::uint16_t sid) const {
  TSdxItem key;
  key.TID = tid;
  key.SID = sid;
  const auto it = std::lower_bound(Items.begin(), Items.end(), key, SdxKeyLess);
  return (it != Items.end() && it->TID == tid && it->SID == sid) ? &*it : nullptr;
}

std::vector<TTransponder> TSdxFile::Transponders() const {
  std::vector<TTransponder> list;
  std::set<TTpKey> seen;
  for (const TSdxItem &item : Items) {
    const TTransponder tp = MakeTransponder(item.FreqMHz, item.Polar, item.SRate);
    if (TpValid(tp) && seen.insert(TpKey(tp)).second)
      list.push_back(tp);
  }
  return list;
}

std::vector<std::string> TSdxFile::CoverageLines() const {
  std::set<std::string> lines;
  for (const TSdxItem &item : Items) {
    if (!item.Beam.empty())
      lines.insert(std::to_string(item.FreqMHz) + "," + item.Polar + "=" + item.Beam);
  }
  return {lines.begin(), lines.end()};
}

std::string SaveDownloadedSdx(const fs::path &file, std::string_view content) {
  if (ParseSdx(content).Items.empty())
    return kErrSdxInvalid;
  return ReplaceFile(file, content, kErrSaveSdx);
}

std::vector<TPcaRec> LoadPca(const fs::path &file) {
  const TFileContent content = ReadDataFileStart(file, kPcaTableSize * sizeof(TPcaRec));
  if (content.Status == FileReadStatus::Unreadable)
    LogUnreadable(content);
  std::vector<TPcaRec> table(content.Text.size() / sizeof(TPcaRec));
  if (!table.empty())
    std::memcpy(static_cast<void *>(table.data()), content.Text.data(),
                table.size() * sizeof(TPcaRec));
  return table;
}

std::optional<std::uint8_t> PcaCategory(const std::vector<TPcaRec> &table, std::uint32_t freqKHz,
                                        char polar, std::uint16_t sid) {
  for (const TPcaRec &rec : table) {
    const std::uint32_t distance =
        rec.FreqKHz > freqKHz ? rec.FreqKHz - freqKHz : freqKHz - rec.FreqKHz;
    if (distance <= 1000 && rec.Polar == polar && rec.SID == sid)
      return rec.Categ;
  }
  return std::nullopt;
}

std::string SaveCoverage(const fs::path &file, const std::vector<std::string> &lines) {
  return ReplaceFile(file, JoinLines(lines), kErrSaveCoverage);
}

std::string CoverageBeam(const std::vector<std::string> &lines, std::uint32_t freqMHz, char polar) {
  for (const std::string &line : lines) {
    // Frequency and polarisation end at the first two separators; the beam is the rest, so a
    // beam name holding "_" or "." comes back whole.
    const std::size_t first = line.find_first_of(",_=");
    const std::size_t second =
        first == std::string::npos ? first : line.find_first_of(",_=", first + 1);
    if (second == std::string::npos)
      continue;
    const std::string pol = Upper(frame::Trim(line.substr(first + 1, second - first - 1)));
    const std::int64_t distance = static_cast<std::int64_t>(NumberOr0(line.substr(0, first))) -
                                  static_cast<std::int64_t>(freqMHz);
    const std::string beam = frame::Trim(line.substr(second + 1));
    if (pol == std::string(1, polar) && distance > -3 && distance < 3 && !beam.empty())
      return SafeBeamName(beam);
  }
  return {};
}

} // namespace qev::data
