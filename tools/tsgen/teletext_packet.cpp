#include "teletext_packet.h"

#include "teletext_coding.h"

namespace qev::tsgen {
namespace {

// Control bits of the page header, numbered as in the standard.
enum Control : unsigned {
  kC4Erase = 1u << 4,
  kC5Newsflash = 1u << 5,
  kC6Subtitle = 1u << 6,
  kC7SuppressHeader = 1u << 7,
  kC8Update = 1u << 8,
};

bool Has(unsigned controls, Control c) { return (controls & c) != 0; }

void PutAddress(TeletextLine &line, unsigned magazine, int row) {
  line[0] = Hamming84((magazine & 7) | (row & 1) << 3);
  line[1] = Hamming84(static_cast<unsigned>(row) >> 1);
}

void PutText(TeletextLine &line, std::size_t first, std::size_t count, std::string_view text) {
  for (std::size_t i = 0; i < count; ++i) {
    line[first + i] = OddParity(i < text.size() ? static_cast<unsigned char>(text[i]) : ' ');
  }
}

TeletextLine HeaderLine(unsigned magazine, unsigned units, unsigned tens, std::uint16_t subcode,
                        unsigned controls, unsigned nationalOption, std::string_view text) {
  TeletextLine line{};
  PutAddress(line, magazine, 0);
  const unsigned c12 = nationalOption >> 2 & 1, c13 = nationalOption >> 1 & 1;
  const unsigned c14 = nationalOption & 1;
  line[2] = Hamming84(units);
  line[3] = Hamming84(tens);
  line[4] = Hamming84(subcode & 0xF);
  line[5] = Hamming84((subcode >> 4 & 7) | Has(controls, kC4Erase) << 3);
  line[6] = Hamming84(subcode >> 8 & 0xF);
  line[7] = Hamming84((subcode >> 12 & 3) | Has(controls, kC5Newsflash) << 2 |
                      Has(controls, kC6Subtitle) << 3);
  line[8] = Hamming84(Has(controls, kC7SuppressHeader) | Has(controls, kC8Update) << 1);
  line[9] = Hamming84(c12 << 1 | c13 << 2 | c14 << 3); // C11 0: parallel magazines
  PutText(line, 10, kHeaderTextColumns, text);
  return line;
}

} // namespace

unsigned MagazineOf(unsigned page) { return (page / 100) % 8; }

TeletextLine TeletextPacketWriter::Header(const TeletextPage &page, std::string_view headerText) {
  const unsigned controls =
      page.subtitle ? kC4Erase | kC6Subtitle | kC7SuppressHeader | kC8Update : 0;
  return HeaderLine(MagazineOf(page.page), page.page % 10, page.page / 10 % 10, page.subcode,
                    controls, page.nationalOption, headerText);
}

TeletextLine TeletextPacketWriter::TimeFiller(unsigned magazine, std::string_view headerText) {
  return HeaderLine(magazine, 0xF, 0xF, 0, 0, 0, headerText);
}

TeletextLine TeletextPacketWriter::Links(unsigned magazine, const std::vector<unsigned> &pages,
                                         bool showRow24) {
  constexpr std::size_t kLinks = 6;
  constexpr std::uint16_t kAnySubpage = 0x3F7F;
  TeletextLine line{};
  PutAddress(line, magazine, 27);
  line[2] = Hamming84(0); // designation code 0
  for (std::size_t i = 0; i < kLinks; ++i) {
    const bool used = i < pages.size();
    const unsigned page = used ? pages[i] : 0;
    // The link's magazine is sent relative to this page's.
    const unsigned relative = (MagazineOf(page) ^ magazine) & 7;
    std::uint8_t *link = line.data() + 3 + 6 * i;
    link[0] = Hamming84(used ? page % 10 : 0xF);
    link[1] = Hamming84(used ? page / 10 % 10 : 0xF);
    link[2] = Hamming84(kAnySubpage & 0xF);
    link[3] = Hamming84((kAnySubpage >> 4 & 7) | (relative & 1) << 3);
    link[4] = Hamming84(kAnySubpage >> 8 & 0xF);
    link[5] = Hamming84((kAnySubpage >> 12 & 3) | (relative >> 1 & 3) << 2);
  }
  line[39] = Hamming84(showRow24 ? 8 : 0); // link control: D4 shows row 24
  // The two CRC bytes stay zero: no page checksum is offered.
  return line;
}

TeletextLine TeletextPacketWriter::Row(unsigned magazine, int row, std::string_view text) {
  TeletextLine line{};
  PutAddress(line, magazine, row);
  PutText(line, 2, kTeletextColumns, text);
  return line;
}

} // namespace qev::tsgen
