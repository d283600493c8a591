#include "frame/file_reader.h"

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

std::mutex unreadableMutex;
std::set<fs::path> unreadableFiles;

// One name for a file however it is reached: absolute, with links resolved.
fs::path FileKey(const fs::path &path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path resolved = fs::weakly_canonical(ec ? path : absolute, ec);
  return (ec ? absolute : resolved).lexically_normal();
}

TFileContent Unreadable(const fs::path &path, const std::string &reason) {
  {
    std::lock_guard lock(unreadableMutex);
    unreadableFiles.insert(FileKey(path));
  }
  return {FileReadStatus::Unreadable, {}, "Cannot read " + path.string() + ": " + reason};
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

} // namespace

TFileContent ReadFileContent(const fs::path &path, std::size_t maxBytes) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
  const TDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT)
      return {};
    return Unreadable(path, std::strerror(errno));
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0)
    return Unreadable(path, std::strerror(errno));
  if (S_ISDIR(st.st_mode))
    return Unreadable(path, std::strerror(EISDIR));
  if (!S_ISREG(st.st_mode))
    return Unreadable(path, "not a regular file");
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
    return Unreadable(path, tooLarge);
  TFileContent content{FileReadStatus::Read, {}, {}};
  content.Text.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return Unreadable(path, std::strerror(errno));
    if (got == 0)
      return content;
    content.Text.append(buffer, static_cast<std::size_t>(got));
    if (content.Text.size() > maxBytes)
      return Unreadable(path, tooLarge);
  }
}

bool IsUnreadable(const fs::path &path) {
  const fs::path key = FileKey(path);
  std::lock_guard lock(unreadableMutex);
  return unreadableFiles.count(key) != 0;
}

} // namespace qev::frame
