#include "frame/file_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::frame {

namespace fs = std::filesystem;

namespace {

// How much of a file a read is after.
enum class TExtent { Whole, Start };

std::mutex unreadableMutex;
std::set<fs::path> unreadableFiles;

// One name for a file however it is reached: absolute, with links resolved.
fs::path FileKey(const fs::path &path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path resolved = fs::weakly_canonical(ec ? path : absolute, ec);
  return (ec ? absolute : resolved).lexically_normal();
}

TFileContent Unreadable(TFileContent content, std::string reason) {
  {
    std::lock_guard lock(unreadableMutex);
    unreadableFiles.insert(FileKey(content.Path));
  }
  content.Status = FileReadStatus::Unreadable;
  content.Text.clear();
  content.Reason = std::move(reason);
  return content;
}

std::string TooLarge(std::size_t maxBytes) {
  return "larger than " + std::to_string(maxBytes) + " bytes";
}

class TDescriptor {
public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0)
      close(fd_);
  }
  TDescriptor(const TDescriptor &) = delete;
  TDescriptor &operator=(const TDescriptor &) = delete;
  int Get() const { return fd_; }

private:
  int fd_;
};

// Why what was opened cannot be read as a file; empty when it can.
std::string NotAFile(int fd, struct stat &st) {
  if (fstat(fd, &st) != 0)
    return std::strerror(errno);
  if (S_ISDIR(st.st_mode))
    return std::strerror(EISDIR);
  if (!S_ISREG(st.st_mode))
    return "not a regular file";
  return {};
}

// Reads until the end (files under /proc report size 0) or until limit bytes. Returns the
// errno of a failed read, else 0.
int ReadUpTo(int fd, std::size_t limit, std::string &text) {
  char buffer[65536];
  while (text.size() < limit) {
    const ssize_t got = read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return errno;
    if (got == 0)
      break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return 0;
}

TFileContent Read(const fs::path &path, std::size_t limit, TExtent extent) {
  TFileContent content{FileReadStatus::Missing, path, {}, {}};
  // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
  const TDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) {
    const int error = errno;
    if (error == ENOENT)
      return content;
    return Unreadable(std::move(content), std::strerror(error));
  }
  struct stat st {};
  if (std::string reason = NotAFile(fd.Get(), st); !reason.empty())
    return Unreadable(std::move(content), std::move(reason));
  const bool whole = extent == TExtent::Whole;
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  if (whole && size > limit)
    return Unreadable(std::move(content), TooLarge(limit));
  content.Text.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
  // A whole file is read one byte beyond the limit, which tells one that grew past it.
  const std::size_t want = whole && limit < SIZE_MAX ? limit + 1 : limit;
  if (const int error = ReadUpTo(fd.Get(), want, content.Text); error != 0)
    return Unreadable(std::move(content), std::strerror(error));
  if (content.Text.size() > limit)
    return Unreadable(std::move(content), TooLarge(limit));
  content.Status = FileReadStatus::Read;
  return content;
}

TFileContent ReadNoThrow(const fs::path &path, std::size_t limit, TExtent extent) noexcept {
  try {
    return Read(path, limit, extent);
  } catch (const std::exception &e) { // only when memory runs out
    try {
      return Unreadable({FileReadStatus::Unreadable, path, {}, {}}, e.what());
    } catch (const std::exception &) {
      return {FileReadStatus::Unreadable, {}, {}, {}};
    }
  }
}

} // namespace

std::string TFileContent::Error() const { return "Cannot read " + Path.string() + ": " + Reason; }

TFileContent ReadFileContent(const fs::path &path, std::size_t maxBytes) noexcept {
  return ReadNoThrow(path, maxBytes, TExtent::Whole);
}

TFileContent ReadFileStart(const fs::path &path, std::size_t bytes) noexcept {
  return ReadNoThrow(path, bytes, TExtent::Start);
}

bool IsUnreadable(const fs::path &path) {
  const fs::path key = FileKey(path);
  std::lock_guard lock(unreadableMutex);
  return unreadableFiles.count(key) != 0;
}

} // namespace qev::frame
