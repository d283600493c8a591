#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "teletext_page.h"

namespace qev::tsgen {

// One teletext packet as it sits on a VBI line: the 2-byte address and 40 data bytes.
using TeletextLine = std::array<std::uint8_t, 42>;

constexpr int kTeletextColumns = 40;
constexpr int kHeaderTextColumns = 32;

// Builds the packets of a page in the coding of the teletext standard.
class TeletextPacketWriter {
public:
  // Packet X/0: page number, subcode, control bits and the 32 header characters.
  static TeletextLine Header(const TeletextPage &page, std::string_view headerText);
  // A header for page FF of the magazine: it ends the page in transmission without starting
  // another one.
  static TeletextLine TimeFiller(unsigned magazine, std::string_view headerText);
  // Packet X/row carrying 40 characters (shorter text is padded with spaces).
  static TeletextLine Row(unsigned magazine, int row, std::string_view text);
  // Packet X/27/0: the editorial links of the page (at most six, the first four behind the
  // colour keys; any subpage) and whether row 24 is to be displayed.
  static TeletextLine Links(unsigned magazine, const std::vector<unsigned> &pages, bool showRow24);
};

// Magazine of a page number as transmitted (8 goes out as 0).
unsigned MagazineOf(unsigned page);

} // namespace qev::tsgen
