#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace qev::recording {

// The few file operations of a recording, so that tests can make them fail. Results follow the
// system calls, with -errno for a failure.
class IRecordFiles {
public:
  virtual ~IRecordFiles() = default;
  // Creates a new file for writing and never opens an existing one: a descriptor, or -errno
  // (-EEXIST when the name is taken).
  virtual int CreateNew(const std::filesystem::path &path) = 0;
  // Like write(2): may write less than asked.
  virtual long Write(int fd, const std::uint8_t *data, std::size_t length) = 0;
  virtual int Truncate(int fd, std::int64_t size) = 0;
  virtual void Close(int fd) = 0;
  virtual void Remove(const std::filesystem::path &path) = 0;
};

// The real file system.
IRecordFiles &PosixRecordFiles();

} // namespace qev::recording
