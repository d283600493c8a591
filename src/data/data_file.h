#pragma once

#include "frame/file_reader.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

// How reading a data file ended: only a file that is not there is missing. One that exists
// but cannot be read is unreadable, and its owner must then neither take it as empty nor write
// over it; frame::IsUnreadable knows it for the rest of the run.
using frame::FileReadStatus;
using frame::TFileContent;

// Reads a whole regular file (see frame::ReadFileContent), found in another letter case when
// needed; Path is the name it was found under. Never throws and never blocks.
TFileContent ReadDataFile(const std::filesystem::path &file) noexcept;

// Like ReadDataFile, but reads no more than the first bytes of the file.
TFileContent ReadDataFileStart(const std::filesystem::path &file, std::size_t bytes) noexcept;

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
