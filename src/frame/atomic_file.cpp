#include "frame/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::frame {

namespace {

std::string Failure(const std::string& what, const std::filesystem::path& path) {
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

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

} // namespace

std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec)
    return "Cannot create " + folder.string() + ": " + ec.message();

  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    return Failure("Cannot create a temporary file beside", path);
  // mkstemp makes the file private; the new file keeps the old one's permissions.
  struct stat old {};
  fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  const bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  std::string error = ok ? std::string() : Failure("Cannot write", path);
  if (close(fd) != 0 && error.empty())
    error = Failure("Cannot write", path);
  if (error.empty() && rename(temp.c_str(), path.c_str()) != 0)
    error = Failure("Cannot replace", path);
  if (!error.empty()) {
    unlink(temp.c_str());
    return error;
  }
  SyncFolder(folder);
  return {};
}

} // namespace qev::frame
