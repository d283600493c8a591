#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

// How reading a data file ended. Only a file that is not there is missing: one that exists but
// cannot be read (no permission, a folder or a pipe in its place, a read error) is unreadable,
// and its owner must then neither take it as empty nor write over it.
enum class TFileState { Read, Missing, Unreadable };

struct TFileContent {
  TFileState State = TFileState::Missing;
  std::filesystem::path Path; // the name it was found under, in whatever letter case
  std::string Bytes;
  std::string Error; // the system's reason when unreadable
};

// Reads a whole regular file, found in another letter case when needed, at most maxBytes of
// it. Never throws and never blocks: a FIFO or device in the file's place is unreadable.
TFileContent ReadDataFile(const std::filesystem::path &file,
                          std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) noexcept;

// Why a file that exists cannot be read now; empty when it can be read or is missing. Writers
// of files they did not load first ask this before replacing one.
std::string UnreadableReason(const std::filesystem::path &file) noexcept;

// Logs an unreadable file as an error: which file, why, and that it is left alone.
void LogUnreadable(const TFileContent &content);

// The lines of a text file: split at LF, a CR before it dropped, a leading UTF-8 byte-order
// mark skipped.
std::vector<std::string> TextLines(std::string_view text);

// The save error of a file that could not be read when it was loaded and is therefore not
// written in this run: the creation text, the path, and why on a line of its own.
std::string UnreadableSaveText(std::string_view createText, const std::filesystem::path &file,
                               const std::string &readError);

// A failed atomic write as the user sees it: the creation text and the path when no file could
// be created, else the saving text; the system's reason on a line of its own.
std::string SaveFailureText(std::string_view createText, std::string_view saveText,
                            const std::filesystem::path &file, const std::string &writeError);

} // namespace qev::data
