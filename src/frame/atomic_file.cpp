#include "frame/atomic_file.h"

#include "frame/file_reader.h"
#include "frame/log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::frame {

namespace fs = std::filesystem;

namespace {

// Temporary files written before this moment belong to an earlier run. File times come from
// the kernel's coarse clock, which lags now() by up to a tick: the margin keeps a write that
// this run starts at once from looking like one of an earlier run.
const fs::file_time_type kRunStart = fs::file_time_type::clock::now() - std::chrono::seconds(1);

constexpr std::string_view kTempSuffix = ".XXXXXX";
constexpr int kMaxLinkHops = 40;

std::string Failure(const std::string &what, const fs::path &path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void SyncFolder(const fs::path &folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// The file a chain of links leads to; the path itself when it is no link.
fs::path ResolveLinks(fs::path path) {
  std::error_code ec;
  for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(path, ec); ++hop) {
    const fs::path target = fs::read_symlink(path, ec);
    if (ec)
      break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

// The owner's way of saying "do not change this file": no write permission for anybody, or
// none for this process.
bool IsReadOnly(const fs::path &path, const struct stat &st) {
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    return true;
  return access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

void LogReadOnlyOnce(const fs::path &path) {
  static std::mutex mutex;
  static std::set<fs::path> logged;
  {
    std::lock_guard lock(mutex);
    if (!logged.insert(path).second)
      return;
  }
  Log(path.string() + " is read-only and is not rewritten", kLogError);
}

// ".name.XXXXXX" as mkstemp fills it in.
bool IsTempName(const std::string &name) {
  if (name.size() < 2 + kTempSuffix.size() || name.front() != '.')
    return false;
  const std::size_t dot = name.size() - kTempSuffix.size();
  if (name[dot] != '.')
    return false;
  for (std::size_t i = dot + 1; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
      return false;
  }
  return true;
}

void RemoveStaleTempFiles(const fs::path &folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const fs::directory_entry &entry = *it;
    if (!IsTempName(entry.path().filename().string()))
      continue;
    struct stat st {};
    if (lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
      continue;
    std::error_code timeError;
    if (fs::last_write_time(entry.path(), timeError) < kRunStart && !timeError)
      unlink(entry.path().c_str());
  }
}

// What the file about to be replaced allows.
struct TTargetCheck {
  std::string error;       // refused
  bool leaveAlone = false; // read-only: not written, and no error
  mode_t mode = 0644;      // the new file's permissions
};

TTargetCheck CheckTarget(const fs::path &target) {
  if (IsUnreadable(target))
    return {target.string() + " is not written: it could not be read in this run"};
  struct stat st {};
  if (stat(target.c_str(), &st) != 0)
    return {errno == ENOENT ? std::string() : Failure("Cannot reach", target)};
  if (!S_ISREG(st.st_mode))
    return {target.string() + " is not written: it is not a regular file"};
  const bool readOnly = IsReadOnly(target, st);
  if (readOnly)
    LogReadOnlyOnce(target);
  return {{}, readOnly, static_cast<mode_t>(st.st_mode & 07777)};
}

std::string WriteAndRename(const fs::path &target, const fs::path &folder, std::string_view content,
                           mode_t mode) {
  std::string temp = (folder / ("." + target.filename().string())).string();
  temp += kTempSuffix;
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    return Failure("Cannot create a temporary file beside", target);
  // mkstemp makes the file private; the new file keeps the old one's permissions.
  fchmod(fd, mode);
  const bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  std::string error = ok ? std::string() : Failure("Cannot write", target);
  if (close(fd) != 0 && error.empty())
    error = Failure("Cannot write", target);
  if (error.empty() && rename(temp.c_str(), target.c_str()) != 0)
    error = Failure("Cannot replace", target);
  if (!error.empty()) {
    unlink(temp.c_str());
    return error;
  }
  SyncFolder(folder);
  return {};
}

} // namespace

std::string WriteFileAtomically(const fs::path &path, std::string_view content) {
  const fs::path target = ResolveLinks(path);
  const TTargetCheck check = CheckTarget(target);
  if (!check.error.empty() || check.leaveAlone)
    return check.error;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    return "Cannot create " + folder.string() + ": " + ec.message();
  RemoveStaleTempFiles(folder);
  return WriteAndRename(target, folder, content, check.mode);
}

} // namespace qev::frame
