#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qev::frame {

// The text rules of values in settings files, shared by every file the engine reads.

// Where a trailing comment starts: the first ";" outside double quotes, or npos.
std::size_t CommentStart(std::string_view stored);
// What a reader sees: the stored text cut at its comment, trimmed, outer quotes removed.
std::string DecodeValue(std::string_view stored);
// The text to store so that DecodeValue gives the value back: it is put in double quotes when it
// holds ";", has blanks at either end, or is itself enclosed in quotes. A value holding both a
// double quote and ";" may still be cut at the ";". Nothing when the value holds CR, LF or NUL,
// which would break the line.
std::optional<std::string> EncodeValue(std::string_view value);

// A key name the engine can write and find again: not empty after trimming, no "=", no line
// breaks or NUL, and not starting with ";" or "[".
bool IsSafeKeyName(std::string_view name);
// A section name or a comment text that stays on one line.
bool IsSingleLine(std::string_view text);

// Decimal with an optional sign, "0x"/"0X" + hexadecimal (more than two characters in all) or
// "$" + hexadecimal. Hexadecimal is a 32-bit pattern, so "$FFFFFFFF" is -1.
std::optional<std::int32_t> ParseInteger(std::string_view text);
// Reads "." or "," as the decimal separator, whatever the process locale.
std::optional<double> ParseFloat(std::string_view text);
// Shortest text that reads back to the same number, always with ".".
std::string FormatFloat(double value);
// "$" and the given number of upper-case hexadecimal digits.
std::string FormatHex(std::uint32_t value, int digits);

} // namespace qev::frame
