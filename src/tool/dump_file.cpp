#include "tool/dump_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::tool {

namespace {

constexpr mode_t kFileMode = 0644;

std::string Failure(const std::string &what, const std::filesystem::path &path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

void SyncFolder(const std::filesystem::path &folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::filesystem::path FolderOf(const std::filesystem::path &path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

} // namespace

TDumpFile::TDumpFile(std::filesystem::path path) : path_(std::move(path)) {
  temp_ = (FolderOf(path_) / ("." + path_.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) {
    error_ = Failure("cannot create a temporary file beside", path_);
    temp_.clear();
    return;
  }
  ::fchmod(fd_, kFileMode);
}

TDumpFile::~TDumpFile() { Discard(); }

void TDumpFile::Write(const std::uint8_t *data, std::size_t length) {
  std::lock_guard lock(mutex_);
  while (fd_ >= 0 && error_.empty() && length > 0) {
    const ssize_t written = ::write(fd_, data, length);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      error_ = Failure("cannot write", path_);
      return;
    }
    data += written;
    length -= static_cast<std::size_t>(written);
    bytes_ += static_cast<std::uint64_t>(written);
  }
}

std::string TDumpFile::Commit() {
  std::lock_guard lock(mutex_);
  if (error_.empty() && fd_ >= 0 && ::fsync(fd_) != 0)
    error_ = Failure("cannot write", path_);
  if (fd_ >= 0 && ::close(fd_) != 0 && error_.empty())
    error_ = Failure("cannot write", path_);
  fd_ = -1;
  if (error_.empty() && ::rename(temp_.c_str(), path_.c_str()) != 0)
    error_ = Failure("cannot write", path_);
  if (!error_.empty())
    return error_;
  temp_.clear();
  SyncFolder(FolderOf(path_));
  return {};
}

void TDumpFile::Discard() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  if (!temp_.empty())
    ::unlink(temp_.c_str());
  temp_.clear();
}

std::uint64_t TDumpFile::Bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

std::string TDumpFile::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

} // namespace qev::tool
