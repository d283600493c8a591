#include "data/sat_list.h"

#include "data/data_file.h"
#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/notification_hub.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace qev::data {

namespace fs = std::filesystem;

std::string PositionText(int p) {
  // 3600 is 0.0 W: the editor accepts it as the same place as 0.0 E seen from the west.
  if (p < 0 || p > 3600)
    return "ERR";
  if (p < 1800)
    return fmt::format("{}.{}E", p / 10, p % 10);
  const int west = 3600 - p;
  return fmt::format("{}.{}W", west / 10, west % 10);
}

fs::path TSatList::FileName() const {
  return foundAs_.empty() ? frame::Paths().SatListFile : foundAs_;
}

bool TSatList::SatLoad() {
  items_.clear();
  droppedFrom_.clear();
  foundAs_.clear();
  const TFileContent content = ReadDataFile(frame::Paths().SatListFile);
  readError_ = content.Reason;
  if (content.Status != FileReadStatus::Missing)
    foundAs_ = content.Path;
  if (content.Status == FileReadStatus::Unreadable)
    LogUnreadable(content);
  if (content.Status == FileReadStatus::Read)
    TakeRecords(content.Text);
  SortAndMap();
  return content.Status == FileReadStatus::Read;
}

void TSatList::TakeRecords(std::string_view bytes) {
  const std::string name = foundAs_.filename().string();
  const std::size_t records = bytes.size() / sizeof(TSatRec);
  bool dropped = false;
  std::array<bool, 256> seen{};
  for (std::size_t n = 0; n < records; ++n) {
    if (Count() >= kMaxSatellites) {
      frame::Log(fmt::format("{}: records {}..{} dropped: beyond the 255th satellite", name, n + 1,
                             records),
                 frame::kLogError);
      dropped = true;
      break;
    }
    TSatRec rec;
    std::memcpy(&rec, bytes.data() + n * sizeof rec, sizeof rec);
    SanitizeSatRec(rec);
    if (rec.SatIdx == 0 || seen[rec.SatIdx]) {
      frame::Log(fmt::format("{}: record {} (index {}, {}, \"{}\") dropped: {}", name, n + 1,
                             rec.SatIdx, PositionText(rec.SatPos), SatName(rec),
                             rec.SatIdx == 0 ? "satellite index 0" : "index already taken"),
                 frame::kLogError);
      dropped = true;
      continue;
    }
    seen[rec.SatIdx] = true;
    items_.push_back(rec);
  }
  if (const std::size_t rest = bytes.size() % sizeof(TSatRec); rest != 0) {
    frame::Log(fmt::format("{}: {} bytes at the end are no whole record", name, rest),
               frame::kLogError);
    dropped = true;
  }
  if (dropped)
    droppedFrom_ = bytes;
}

bool TSatList::Fail(std::string text) {
  lastError_ = std::move(text);
  frame::ShowError(lastError_);
  return false;
}

// The first save after a load that dropped records keeps the file as it was read.
bool TSatList::KeepBackup() {
  if (droppedFrom_.empty())
    return true;
  fs::path backup = FileName();
  backup += ".bak";
  if (const std::string error = frame::WriteFileAtomically(backup, droppedFrom_); !error.empty())
    return Fail(SaveFailureText(kErrCreateSatFile, kErrSaveSatFile, backup, error));
  frame::Log("Satellite list as it was read kept in " + backup.string());
  droppedFrom_.clear();
  return true;
}

bool TSatList::WriteList() {
  const fs::path file = FileName();
  if (!readError_.empty())
    return Fail(UnreadableSaveText(kErrCreateSatFile, file, readError_));
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec)
    return Fail(fmt::format("{}{}\r{}", kErrCreateSatFile, file.string(), ec.message()));
  if (!KeepBackup())
    return false;
  const std::string_view bytes(reinterpret_cast<const char *>(items_.data()),
                               items_.size() * sizeof(TSatRec));
  if (const std::string error = frame::WriteFileAtomically(file, bytes); !error.empty())
    return Fail(SaveFailureText(kErrCreateSatFile, kErrSaveSatFile, file, error));
  return true;
}

bool TSatList::SatSave() {
  const bool ok = WriteList();
  SortAndMap();
  return ok;
}

void TSatList::SortAndMap() {
  std::stable_sort(items_.begin(), items_.end(), [](const TSatRec &a, const TSatRec &b) {
    return a.SatDish != b.SatDish ? a.SatDish < b.SatDish : a.SatPos < b.SatPos;
  });
  map_.fill(0);
  for (int i = 0; i < Count(); ++i)
    map_[items_[static_cast<std::size_t>(i)].SatIdx] = i + 1;
}

bool TSatList::SaveAndAnnounce() {
  const bool ok = SatSave();
  if (onChange_)
    onChange_();
  frame::NotifyGlobal(frame::kNotifyListsChanged, 0, 0);
  return ok;
}

int TSatList::SatNextIndex() const {
  int highest = 0;
  for (const TSatRec &rec : items_)
    highest = std::max<int>(highest, rec.SatIdx);
  if (highest < kMaxSatellites)
    return highest + 1;
  for (int index = 1; index <= kMaxSatellites; ++index) {
    if (map_[static_cast<std::size_t>(index)] == 0)
      return index;
  }
  return 0;
}

bool TSatList::PositionTaken(int satPos, int except) const {
  return std::any_of(items_.begin(), items_.end(),
                     [&](const TSatRec &r) { return r.SatPos == satPos && r.SatIdx != except; });
}

bool TSatList::SatAdd(const TSatRec &rec, bool save) {
  if (Count() >= kMaxSatellites || rec.SatIdx == 0 || map_[rec.SatIdx] != 0 ||
      PositionTaken(rec.SatPos, rec.SatIdx))
    return false;
  TSatRec copy = rec;
  SanitizeSatRec(copy);
  items_.push_back(copy);
  SortAndMap();
  return save ? SaveAndAnnounce() : true;
}

bool TSatList::SatModify(int position, const TSatRec &rec) {
  if (position < 0 || position >= Count() ||
      rec.SatIdx != items_[static_cast<std::size_t>(position)].SatIdx ||
      PositionTaken(rec.SatPos, rec.SatIdx))
    return false;
  items_[static_cast<std::size_t>(position)] = rec;
  SanitizeSatRec(items_[static_cast<std::size_t>(position)]);
  return SaveAndAnnounce();
}

bool TSatList::SatDelete(int position) {
  if (position < 0 || position >= Count())
    return false;
  items_.erase(items_.begin() + position);
  SortAndMap();
  return SaveAndAnnounce();
}

bool TSatList::SatSetActive(int position, bool active, bool oneSatMobDish) {
  if (position < 0 || position >= Count())
    return false;
  TSatRec &target = items_[static_cast<std::size_t>(position)];
  if ((target.SatActive != 0) == active)
    return true;
  if (active && target.SatDish != 0 && oneSatMobDish) {
    for (TSatRec &rec : items_) {
      if (rec.SatDish == target.SatDish)
        rec.SatActive = 0;
    }
  }
  target.SatActive = active ? 1 : 0;
  return SaveAndAnnounce();
}

bool TSatList::SatGet(int index, TSatRec &rec) const {
  std::memset(&rec, 0, sizeof rec);
  if (index < 1 || index > 255 || map_[static_cast<std::size_t>(index)] == 0)
    return false;
  rec = items_[static_cast<std::size_t>(map_[static_cast<std::size_t>(index)] - 1)];
  return true;
}

std::string TSatList::SatPosTextOf(int index) const {
  TSatRec rec;
  return SatGet(index, rec) ? PositionText(rec.SatPos) : kNoSat;
}

bool ReadAllSats(const fs::path &file, std::vector<TKnownSat> &sats, std::string &error) {
  sats.clear();
  const TFileContent content = ReadDataFile(file);
  if (content.Status == FileReadStatus::Missing)
    error = kFileMissing + file.string();
  else if (content.Status == FileReadStatus::Unreadable)
    error = fmt::format("{}{}\r{}", kCannotReadFile, content.Path.string(), content.Reason);
  if (content.Status != FileReadStatus::Read)
    return false;
  for (const std::string &line : TextLines(content.Text)) {
    const std::vector<std::string> fields = frame::SplitAt(line, ",");
    if (fields.size() < 3)
      continue;
    const std::string pos = frame::Trim(fields[0]);
    TKnownSat sat;
    const auto [end, ec] = std::from_chars(pos.data(), pos.data() + pos.size(), sat.Position);
    if (ec != std::errc() || end != pos.data() + pos.size())
      continue;
    sat.Name = frame::Trim(fields[2]);
    sats.push_back(std::move(sat));
  }
  return true;
}

} // namespace qev::data
