#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace qev::frame {

enum class FileReadStatus { Read, Missing, Unreadable };

struct TFileContent {
  FileReadStatus Status = FileReadStatus::Missing;
  std::string Text;
  std::string Error; // why an existing file could not be read
};

// Far more than any settings or list file of the program holds.
inline constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

// Reads a whole file. Only a file that does not exist is missing; a folder, a FIFO or a device
// in its place, a file without read permission, an I/O error or a file beyond maxBytes is
// unreadable, and it stays marked as such for the rest of the run (see IsUnreadable). Never
// waits on a FIFO.
TFileContent ReadFileContent(const std::filesystem::path &path,
                             std::size_t maxBytes = kMaxFileBytes);

// Whether the file (or the file a link at this path leads to) existed but could not be read in
// this run. The program then works without its content and must not write over it, since what
// it holds in memory does not reflect what the file holds.
bool IsUnreadable(const std::filesystem::path &path);

} // namespace qev::frame
