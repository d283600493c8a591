#include "data/transponder_list.h"

#include "data/data_file.h"
#include "frame/app_paths.h"
#include "frame/fast_ini_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace qev::data {

namespace {

constexpr const char *kSatType = "SATTYPE";
constexpr const char *kDvb = "DVB";
constexpr const char *kFileComment = " Transponder list of QEV-DVB";

auto OrderKey(const TTransponder &tp, int order) {
  using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
  // Copies: the record is packed, and a reference to one of its fields may be misaligned.
  const std::uint32_t p = TpPolar(tp), freq = tp.TpFreq, srate = tp.TpSRate;
  switch (order) {
  case kTpOrderPolar:
    return Key(p, freq, srate);
  case kTpOrderSRate:
    return Key(srate, p, freq);
  default:
    return Key(freq, p, srate);
  }
}

bool LoadFrom(frame::TFastIniFile &ini, TSatTransponders &list) {
  list.TpClear();
  TTpIniContent content = ReadTpIni(ini);
  list.PositionText = std::move(content.PositionText);
  list.Name = std::move(content.Name);
  if (list.PositionText.empty())
    return false;
  for (const TTpIniEntry &entry : content.Entries) {
    if (const auto tp = ParseTpText(entry.Text))
      list.TpAdd(*tp);
  }
  return list.Count() > 0;
}

} // namespace

TTpIniContent ReadTpIni(frame::TFastIniFile &ini) {
  TTpIniContent content;
  content.PositionText = ini.ReadString(kSatType, "1", "");
  content.Name = ini.ReadString(kSatType, "2", "");
  const std::int32_t declared = ini.ReadInteger(kDvb, "0", 0);
  // Only keys that are really there are read, whatever the count claims.
  std::map<std::uint32_t, std::string> keys;
  for (const std::string &key : ini.ReadSection(kDvb)) {
    const std::uint32_t n = NumberOr0(key);
    if (n >= 1 && static_cast<std::int64_t>(n) <= declared)
      keys.emplace(n, key);
  }
  for (const auto &[n, key] : keys)
    content.Entries.push_back({n, ini.ReadString(kDvb, key, "")});
  return content;
}

std::filesystem::path TransponderFileName(int position) {
  return frame::Paths().Transponders / fmt::format("{:04d}.ini", position);
}

void TSatTransponders::TpClear() {
  items_.clear();
  markedCount_ = 0;
  order_ = -1;
  modified_ = true;
}

void TSatTransponders::Recount() {
  markedCount_ = static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                                [](const TTransponder &t) { return t.TpMarked; }));
}

int TSatTransponders::TpAdd(const TTransponder &tp) {
  if (!TpValid(tp))
    return -1;
  items_.push_back(tp);
  items_.back().TpMarked = tp.TpMarked ? 1 : 0;
  markedCount_ += items_.back().TpMarked;
  order_ = -1;
  modified_ = true;
  return Count() - 1;
}

bool TSatTransponders::TpLoadIni(const std::filesystem::path &file) {
  const TFileContent content = ReadDataFile(file);
  readError_ = content.Reason;
  if (content.Status == FileReadStatus::Unreadable)
    LogUnreadable(content);
  std::stringstream text(content.Text);
  return TpLoadStream(text);
}

bool TSatTransponders::TpLoadStream(std::stringstream &stream) {
  frame::TFastIniStream ini(stream);
  const bool ok = LoadFrom(ini, *this);
  modified_ = false;
  return ok;
}

std::string TSatTransponders::TpSaveIni(const std::filesystem::path &file) {
  if (!readError_.empty())
    return UnreadableSaveText(kErrSaveTpFile, frame::FindExisting(file), readError_);
  frame::TFastIniFile ini(file);
  ini.WriteString(kSatType, "1", PositionText);
  ini.WriteString(kSatType, "2", Name);
  ini.InsertComment(kSatType, "",
                    frame::TFastIniFile::kCreateMissing | frame::TFastIniFile::kReplaceExisting,
                    frame::TFastIniFile::CommentPlace::AboveSection, kFileComment);
  // Old entries beyond the new count must not survive.
  for (const std::string &key : ini.ReadSection(kDvb))
    ini.DeleteKey(kDvb, key);
  ini.WriteInteger(kDvb, "0", Count());
  for (int i = 0; i < Count(); ++i)
    ini.WriteString(kDvb, std::to_string(i + 1), TpText(items_[static_cast<std::size_t>(i)]));
  std::string error = ini.UpdateFile();
  if (error.empty())
    modified_ = false;
  return error;
}

bool TpOrderLess(const TTransponder &a, const TTransponder &b, int order) {
  return OrderKey(a, order) < OrderKey(b, order);
}

void TSatTransponders::TpSort(int order) {
  if (order < kTpOrderPolar || order > kTpOrderSRate)
    return;
  std::stable_sort(items_.begin(), items_.end(), [order](const auto &a, const auto &b) {
    return OrderKey(a, order) < OrderKey(b, order);
  });
  order_ = order;
}

int TSatTransponders::TpFind(const TTransponder &tp) const {
  if (order_ < 0) {
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [&](const TTransponder &t) { return TpSameChannel(t, tp); });
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
  }
  const auto it =
      std::lower_bound(items_.begin(), items_.end(), tp, [&](const auto &a, const auto &b) {
        return OrderKey(a, order_) < OrderKey(b, order_);
      });
  return (it != items_.end() && TpSameChannel(*it, tp)) ? static_cast<int>(it - items_.begin())
                                                        : -1;
}

bool TSatTransponders::TpIsDuplicate(const TTransponder &tp) const {
  return std::any_of(items_.begin(), items_.end(),
                     [&](const TTransponder &t) { return TpSameChannel(t, tp); });
}

TTransponder TSatTransponders::TpGet(int i) const {
  return Valid(i) ? items_[static_cast<std::size_t>(i)] : TTransponder{};
}

void TSatTransponders::TpSet(int i, const TTransponder &tp) {
  if (!Valid(i))
    return;
  items_[static_cast<std::size_t>(i)] = tp;
  items_[static_cast<std::size_t>(i)].TpMarked = tp.TpMarked ? 1 : 0;
  Recount();
  order_ = -1;
  modified_ = true;
}

void TSatTransponders::TpDelete(int i) {
  if (!Valid(i))
    return;
  items_.erase(items_.begin() + i);
  Recount();
  modified_ = true;
}

bool TSatTransponders::TpMarked(int i) const {
  return Valid(i) && items_[static_cast<std::size_t>(i)].TpMarked != 0;
}

void TSatTransponders::TpSetMarked(int i, bool state) {
  if (!Valid(i))
    return;
  items_[static_cast<std::size_t>(i)].TpMarked = state ? 1 : 0;
  Recount();
}

void TSatTransponders::TpDeleteMarked() {
  std::erase_if(items_, [](const TTransponder &t) { return t.TpMarked != 0; });
  markedCount_ = 0;
  TpSort(kTpOrderPolar);
  modified_ = true;
}

} // namespace qev::data
