#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qev::tsgen {

// Writes description text (UTF-8) in the G0 set of a teletext page. The national option
// (C12 C13 C14 of the page header, 0..7) picks the subset that replaces the 13 national
// positions of the Latin G0 set: 0 English, 1 German, 2 Swedish/Finnish/Hungarian, 3 Italian,
// 4 French, 5 Portuguese/Spanish, 6 Czech/Slovak, 7 Romanian.
//
// Spacing attributes and raw codes are written as tokens in braces: colours {red} ... {white},
// mosaic colours {m-red} ... {m-white}, {flash} {steady} {endbox} {startbox} {normal}
// {double} (height) {dwidth} {dsize} {conceal} {contiguous} {separated} {blackbg} {newbg}
// {hold} {release}, and {#hh} for the code hh itself (mosaic blocks). Bytes below 0x20 pass
// unchanged.
//
// A character the subset cannot show is refused with std::invalid_argument naming the
// character, the set and `page`.
std::string EncodeTeletextText(std::string_view utf8, std::uint8_t nationalOption, unsigned page);

// The name of a national option's subset ("German").
const char *NationalSetName(std::uint8_t nationalOption);

} // namespace qev::tsgen
