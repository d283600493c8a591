#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace qev::tool {

// A file written while data arrives, which appears under its name only when complete: the
// bytes go to a temporary file beside it, which Commit flushes to disk and renames. Until then,
// and after any failure, the name is untouched; an object destroyed uncommitted removes its
// temporary file. Write may be called from any thread.
class TDumpFile {
public:
  // An error text names what failed; Error() is empty on success.
  explicit TDumpFile(std::filesystem::path path);
  ~TDumpFile();
  TDumpFile(const TDumpFile &) = delete;
  TDumpFile &operator=(const TDumpFile &) = delete;

  void Write(const std::uint8_t *data, std::size_t length);
  // Flushes, closes and renames; an error text, empty on success.
  std::string Commit();

  std::uint64_t Bytes() const;
  std::string Error() const;

private:
  void Discard();

  const std::filesystem::path path_;
  std::string temp_;
  mutable std::mutex mutex_;
  int fd_ = -1;             // under mutex_
  std::uint64_t bytes_ = 0; // under mutex_
  std::string error_;       // under mutex_
};

} // namespace qev::tool
