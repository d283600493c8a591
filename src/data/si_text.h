#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qev::data {

// The longest prefix of text that fits maxBytes without splitting a UTF-8 character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// A DVB text field (length byte first) as UTF-8. Every character table of EN 300 468 is
// decoded, the default one with the euro sign at 0xA4; after a reserved or unknown selector the
// bytes are passed on without a table (each byte its own character). Control codes 0x80..0x9F
// (emphasis, line break) are dropped, and so is a character unit that does not convert. At most max
// bytes of text are read, and never more than the field really holds.
std::string DecodeSiText(std::span<const std::uint8_t> field, std::size_t max);

// Letter case folded for every Unicode letter, independent of the process locale.
std::string FoldCase(std::string_view utf8);
bool EqualsFold(std::string_view a, std::string_view b);
bool ContainsFold(std::string_view text, std::string_view needle);

} // namespace qev::data
