#include "recording/record_files.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qev::recording {

namespace {

class TPosixRecordFiles final : public IRecordFiles {
public:
  int CreateNew(const std::filesystem::path &path) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd >= 0 ? fd : -errno;
  }
  long Write(int fd, const std::uint8_t *data, std::size_t length) override {
    const ssize_t n = ::write(fd, data, length);
    return n >= 0 ? static_cast<long>(n) : -errno;
  }
  int Truncate(int fd, std::int64_t size) override {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : -errno;
  }
  void Close(int fd) override { ::close(fd); }
  void Remove(const std::filesystem::path &path) override { ::unlink(path.c_str()); }
};

} // namespace

IRecordFiles &PosixRecordFiles() {
  static TPosixRecordFiles files;
  return files;
}

} // namespace qev::recording
