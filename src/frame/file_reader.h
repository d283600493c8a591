#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace qev::frame {

enum class FileReadStatus { Read, Missing, Unreadable };

struct TFileContent {
  FileReadStatus Status = FileReadStatus::Missing;
  std::filesystem::path Path; // the name it was read under
  std::string Text;
  std::string Reason; // the system's reason when an existing file could not be read

  // "Cannot read <path>: <reason>", for the log and the user.
  std::string Error() const;
};

// Far more than any settings or list file of the program holds.
inline constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

// Reads a whole file. Only a file that does not exist is missing; a folder, a FIFO or a device
// in its place, a file without read permission, an I/O error or a file beyond maxBytes is
// unreadable, and it stays marked as such for the rest of the run (see IsUnreadable). Never
// waits on a FIFO and never throws.
TFileContent ReadFileContent(const std::filesystem::path &path,
                             std::size_t maxBytes = kMaxFileBytes) noexcept;

// Like ReadFileContent, but reads no more than the first bytes of the file: what follows is
// left unread and makes the file no less readable.
TFileContent ReadFileStart(const std::filesystem::path &path, std::size_t bytes) noexcept;

// Whether the file (or the file a link at this path leads to) existed but could not be read in
// this run. The program then works without its content and must not write over it, since what
// it holds in memory does not reflect what the file holds.
bool IsUnreadable(const std::filesystem::path &path);

} // namespace qev::frame
