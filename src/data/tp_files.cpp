#include "data/tp_files.h"

#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

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

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
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

} // namespace

std::vector<std::string> LoadLines(const fs::path &file, bool &ok) {
  std::ifstream in(frame::FindExisting(file), std::ios::binary);
  ok = static_cast<bool>(in);
  return ok ? SplitLines(std::string(std::istreambuf_iterator<char>(in), {}))
            : std::vector<std::string>{};
}

std::vector<TTransponder> ParseTws(std::string_view text) {
  std::vector<TTransponder> list;
  for (const std::string &line : SplitLines(text)) {
    if (const auto tp = ParseTpText(line))
      list.push_back(*tp);
  }
  return list;
}

std::vector<TTransponder> LoadTws(const fs::path &file) {
  bool ok = false;
  std::vector<TTransponder> list;
  for (const std::string &line : LoadLines(file, ok)) {
    if (const auto tp = ParseTpText(line))
      list.push_back(*tp);
  }
  return list;
}

std::string SaveTws(const fs::path &file, const std::vector<TTransponder> &list) {
  std::vector<std::string> lines;
  for (const TTransponder &tp : list)
    lines.push_back(TpText(tp));
  const std::string error = frame::WriteFileAtomically(file, JoinLines(lines));
  return error.empty() ? error : kErrSaveBlind + error;
}

std::string SafeBeamName(std::string_view beam) {
  std::string out;
  for (const char c : beam) {
    const bool safe = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    out += safe ? c : '_';
  }
  return out.substr(0, 8);
}

TSdxFile ParseSdx(std::string_view text) {
  TSdxFile sdx;
  for (const std::string &line : SplitLines(text)) {
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
  for (const TSdxItem &item : Items) {
    const TTransponder tp = MakeTransponder(item.FreqMHz, item.Polar, item.SRate);
    const bool seen = std::any_of(list.begin(), list.end(),
                                  [&](const TTransponder &t) { return TpSameChannel(t, tp); });
    if (TpValid(tp) && !seen)
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
  const std::string error = frame::WriteFileAtomically(file, content);
  return error.empty() ? error : "Save error\r\r" + error;
}

std::vector<TPcaRec> LoadPca(const fs::path &file) {
  std::ifstream in(frame::FindExisting(file), std::ios::binary);
  std::vector<TPcaRec> table;
  TPcaRec rec;
  while (table.size() < kPcaTableSize && in.read(reinterpret_cast<char *>(&rec), sizeof rec))
    table.push_back(rec);
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
  const std::string error = frame::WriteFileAtomically(file, JoinLines(lines));
  return error.empty() ? error : kErrSaveCoverage + error;
}

std::string CoverageBeam(const std::vector<std::string> &lines, std::uint32_t freqMHz, char polar) {
  for (const std::string &line : lines) {
    std::vector<std::string> fields = frame::SplitAt(line, ",_=");
    if (fields.size() < 3)
      continue;
    for (std::string &f : fields)
      f = Upper(frame::Trim(f));
    const std::int64_t distance =
        static_cast<std::int64_t>(NumberOr0(fields[0])) - static_cast<std::int64_t>(freqMHz);
    if (fields[1] == std::string(1, polar) && distance > -3 && distance < 3)
      return SafeBeamName(fields[2]);
  }
  return {};
}

} // namespace qev::data
