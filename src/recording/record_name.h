#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace qev::recording {

// Linux's limit for one file name, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The base name of a recording: the format's "<Date>", "<Name>" and "<Info>" (any letter case)
// replaced, its date-time pattern (yyyy, mm, dd, hh, nn, ss, ... and "quoted" or 'quoted'
// literal text) filled from `local`. Name and info are taken as they are, so their letters and
// quotes never reach the pattern. With `clean`, empty bracket pairs go, runs of spaces shrink to
// one, and characters a file name must not hold become "_".
std::string FormatRecordName(std::string_view format, std::string_view name, std::string_view info,
                             bool clean, const std::tm &local);
// The same at the current local time.
std::string FormatRecordName(std::string_view format, std::string_view name, std::string_view info,
                             bool clean);

// Blanks and control characters off both ends; a leading "." added to a non-empty text.
std::string NormalizeExtension(std::string_view text);

// A device's extension made safe for a file name: normalised, separators and control
// characters replaced, at most `maxChars` characters after the dot included.
std::string SafeExtension(std::string_view text, std::size_t maxChars = 4);

// Base name, "_" + the part number padded to 3 digits when it is above 0, extension.
std::string RecFileName(std::string_view baseName, int partNumber, std::string_view extension);

// The base name cut (at a UTF-8 character boundary) so that it, "_DupNN", "_NNN" and the
// extension fit into one file name. An empty base becomes "REC".
std::string FitBaseName(std::string_view baseName, std::string_view extension);

// At most `maxBytes` bytes of a UTF-8 text, never ending inside a character.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);
// At most `maxChars` characters of a UTF-8 text.
std::string CutUtf8Chars(std::string_view text, std::size_t maxChars);

} // namespace qev::recording
