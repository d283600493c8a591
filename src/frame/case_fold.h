#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qev::frame {

// Unicode simple case mapping and folding for the scripts that names in settings, channel and
// favourite files are written in: ASCII, Latin-1 Supplement, Latin Extended-A, Latin Extended
// Additional, Greek and Cyrillic (with its supplement). Other code points map to themselves.
// The tables are the program's own, so the process locale never changes a result.
char32_t UpperCase(char32_t c);
char32_t LowerCase(char32_t c);
// Two texts are equal ignoring case when their folded code points are equal.
char32_t FoldCase(char32_t c);

// The code point that starts at pos in UTF-8 text; pos moves past it. A byte that starts no
// well-formed sequence gives nothing and pos moves by one byte.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t &pos);
void AppendUtf8(std::string &out, char32_t c);

} // namespace qev::frame
