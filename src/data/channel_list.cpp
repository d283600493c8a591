#include "data/channel_list.h"

#include "data/data_file.h"
#include "data/si_text.h"
#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/message_boxes.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

bool KeyLess(const TChannelRec &a, const TChannelRec &b) {
  return a.TID != b.TID ? a.TID < b.TID : a.SID < b.SID;
}

} // namespace

std::string ChannelFileName(std::uint16_t position) { return fmt::format("{:04d}.bch", position); }

TChannelsList::TChannelsList(std::uint16_t position, std::uint8_t satIndex)
    : position_(position), satIndex_(satIndex) {}

fs::path TChannelsList::ListFileName() const {
  return foundAs_.empty() ? frame::Paths().Channels / ChannelFileName(position_) : foundAs_;
}

void TChannelsList::Changed(bool positionsMoved) {
  modified_ = true;
  if (positionsMoved)
    fileCount_ = 0;
}

void TChannelsList::ListClear() {
  items_.clear();
  Changed(true);
}

bool TChannelsList::ListLoad() {
  ListClear();
  foundAs_.clear();
  const TFileContent content = ReadDataFile(ListFileName());
  readError_ = content.Reason;
  if (content.Status == FileReadStatus::Missing)
    return false;
  foundAs_ = content.Path;
  if (content.Status == FileReadStatus::Unreadable) {
    LogUnreadable(content);
    modified_ = false;
    return false;
  }
  const std::string &bytes = content.Text;
  items_.resize(bytes.size() / sizeof(TChannelRec));
  if (!items_.empty()) // an empty vector's data() may be null, which memcpy must not get
    std::memcpy(static_cast<void *>(items_.data()), bytes.data(),
                items_.size() * sizeof(TChannelRec));
  for (TChannelRec &rec : items_) {
    SanitizeChannelRec(rec);
    rec.SatIndex = satIndex_;
  }
  const bool sorted = std::is_sorted(items_.begin(), items_.end(), KeyLess);
  modified_ = !sorted;
  fileCount_ = 0;
  if (sorted)
    fileCount_ = Count();
  else
    ListSort();
  return true;
}

bool TChannelsList::Fail(std::string text) {
  lastError_ = std::move(text);
  frame::ShowError(lastError_);
  return false;
}

bool TChannelsList::ListSaveAll() {
  const fs::path file = ListFileName();
  if (!readError_.empty())
    return Fail(UnreadableSaveText(kErrCreateChannels, file, readError_));
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec)
    return Fail(fmt::format("{}{}\r{}", kErrCreateChannels, file.string(), ec.message()));
  const std::string_view bytes(reinterpret_cast<const char *>(items_.data()),
                               items_.size() * sizeof(TChannelRec));
  if (const std::string error = frame::WriteFileAtomically(file, bytes); !error.empty())
    return Fail(SaveFailureText(kErrCreateChannels, kErrSaveChannels, file, error));
  modified_ = false;
  fileCount_ = Count();
  return true;
}

bool TChannelsList::ListSaveOne(int i) {
  if (!IndexValid(i))
    return false;
  if (i >= fileCount_)
    return ListSaveAll();
  return WriteOne(i);
}

bool TChannelsList::WriteOne(int i) {
  const fs::path file = ListFileName();
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return Fail(fmt::format("{}{}\r{}", kErrOpenChannels, file.string(), std::strerror(error)));
  }
  const auto offset = static_cast<off_t>(i) * static_cast<off_t>(sizeof(TChannelRec));
  const ssize_t written =
      ::pwrite(fd, &items_[static_cast<std::size_t>(i)], sizeof(TChannelRec), offset);
  const int error = errno;
  const bool ok = written == static_cast<ssize_t>(sizeof(TChannelRec)) && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok)
    return Fail(fmt::format("{}{}\r\r{}", kErrSaveChannelAt, i,
                            written < 0 ? std::strerror(error) : "short write"));
  return true;
}

void TChannelsList::ListSort() {
  std::stable_sort(items_.begin(), items_.end(), KeyLess);
  Changed(true);
}

int TChannelsList::ListFind(std::uint16_t tid, std::uint16_t sid) const {
  TChannelRec key{};
  key.TID = tid;
  key.SID = sid;
  const auto it = std::lower_bound(items_.begin(), items_.end(), key, KeyLess);
  if (it == items_.end() || it->TID != tid || it->SID != sid)
    return -1;
  return static_cast<int>(it - items_.begin());
}

int TChannelsList::ListFindByName(std::string_view name) const {
  const std::string wanted = FoldCase(CutUtf8(name, 255));
  for (int i = 0; i < Count(); ++i) {
    if (FoldCase(FixedText(items_[static_cast<std::size_t>(i)].ChName)) == wanted)
      return i;
  }
  return -1;
}

int TChannelsList::ListAppend(const TChannelRec &rec) {
  items_.push_back(rec);
  Changed(false);
  return Count() - 1;
}

void TChannelsList::ListAppendAll(const TChannelsList &other) {
  const std::vector<TChannelRec> copy = other.items_; // other may be this list
  items_.insert(items_.end(), copy.begin(), copy.end());
  Changed(false);
}

void TChannelsList::ListSet(int i, const TChannelRec &rec) {
  if (!IndexValid(i))
    return;
  items_[static_cast<std::size_t>(i)] = rec;
  Changed(false);
}

void TChannelsList::ListDelete(int i) {
  if (!IndexValid(i))
    return;
  items_.erase(items_.begin() + i);
  Changed(true);
}

void TChannelsList::ListMarkDeleted(int i) {
  if (!IndexValid(i))
    return;
  items_[static_cast<std::size_t>(i)].Freq = 0;
  Changed(false);
}

void TChannelsList::ListCompact() {
  const auto removed = std::erase_if(items_, [](const TChannelRec &r) { return r.Freq == 0; });
  if (removed > 0)
    Changed(true);
}

void TChannelsList::ListSortAllCa() {
  for (TChannelRec &rec : items_)
    SortCaList(rec);
  Changed(false);
}

void TChannelsList::ListSortAllEs() {
  for (TChannelRec &rec : items_)
    SortEsList(rec);
  Changed(false);
}

void TChannelsList::ListPreferredAudioAll(const frame::TPrefLangArray &langs) {
  bool any = false;
  for (TChannelRec &rec : items_)
    any |= SelectPreferredAudio(rec, langs);
  if (any)
    Changed(false);
}

TMergeCounts TChannelsList::ListMerge(std::vector<TChannelRec> scanned, bool replace, double now) {
  if (!std::is_sorted(items_.begin(), items_.end(), KeyLess))
    ListSort();
  TMergeCounts counts;
  std::vector<bool> matched(items_.size(), false);
  // Which scanned records found a stored one; no field value can serve as that marker, since a
  // stored record may carry any TimeAdd.
  std::vector<bool> scannedMatched(scanned.size(), false);
  for (std::size_t s = 0; s < scanned.size(); ++s) {
    TChannelRec &rec = scanned[s];
    const int found = ListFind(rec.TID, rec.SID);
    if (found < 0) {
      ++counts.New;
      continue;
    }
    scannedMatched[s] = true;
    matched[static_cast<std::size_t>(found)] = true;
    if (MergeScanned(rec, items_[static_cast<std::size_t>(found)], now))
      ++counts.Updated;
    else
      ++counts.Unchanged;
  }
  for (std::size_t s = 0; s < scanned.size(); ++s) {
    TChannelRec &rec = scanned[s];
    if (scannedMatched[s])
      continue;
    rec.TimeAdd = now;
    rec.TimeUpd = now;
    if (!replace)
      items_.push_back(rec);
  }
  if (replace) {
    counts.Removed = static_cast<int>(std::count(matched.begin(), matched.end(), false));
    items_ = std::move(scanned);
  }
  ListSort();
  return counts;
}

} // namespace qev::data
