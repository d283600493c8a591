#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {

std::string Trim(std::string_view text);
// Compares UTF-8 texts with Unicode simple case folding (see case_fold.h).
bool EqualsNoCase(std::string_view a, std::string_view b);
// Position of needle in text ignoring ASCII letter case only, or npos; a match has the needle's
// length in bytes, which a Unicode fold would not keep.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0);
// Replaces every occurrence (all, left to right, without rescanning the replacement).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase = false);
// Removes every character that appears in chars.
std::string DeleteChars(std::string_view text, std::string_view chars);
// Pads on the left (right-aligns) or right to width; a longer text is kept whole.
std::string PadLeft(std::string_view text, std::size_t width, char fill = ' ');
std::string PadRight(std::string_view text, std::size_t width, char fill = ' ');
// Splits at any of the separator characters; empty fields are kept.
std::vector<std::string> SplitAt(std::string_view text, std::string_view separators);
// "47 00 11 ..." with upper-case digits, bytes separated by one blank.
std::string HexDump(std::span<const std::uint8_t> bytes);
// Joins the arguments with one blank and trims the result.
std::string JoinArguments(std::span<const std::string> arguments);

} // namespace qev::frame
