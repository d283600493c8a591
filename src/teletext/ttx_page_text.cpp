#include "teletext/ttx_page_text.h"

#include "teletext/ttx_page_grid.h"

#include <algorithm>

namespace qev::teletext {
namespace {

// The six blocks as the sextant number of the Unicode block (1 top left, 2 top right, 3 middle
// left, 4 middle right, 5 bottom left, 6 bottom right), bit k-1 for block k.
unsigned SextantNumber(std::uint8_t bits) {
  return (bits & 0x1F) | ((bits & kMosaicBottomRight) ? 0x20u : 0u);
}

char32_t MosaicCharacter(std::uint8_t bits) {
  const unsigned sextant = SextantNumber(bits);
  // The Symbols for Legacy Computing block leaves out the four patterns that older blocks have.
  switch (sextant) {
  case 0:
    return U' ';
  case 0x15:
    return U'\u258C'; // left half
  case 0x2A:
    return U'\u2590'; // right half
  case 0x3F:
    return U'\u2588'; // full block
  default:
    break;
  }
  const unsigned skipped = (sextant > 0x15 ? 1 : 0) + (sextant > 0x2A ? 1 : 0);
  return static_cast<char32_t>(0x1FB00 + sextant - 1 - skipped);
}

char32_t CellCharacter(const TTtxCell &cell) {
  if (cell.LowerHalf)
    return U' ';
  if (cell.Kind == TTtxCellKind::Mosaic)
    return MosaicCharacter(cell.MosaicBits);
  // A terminal must never receive a control character from broadcast data.
  if (cell.Character < 0x20 || cell.Character == 0x7F)
    return U'\u25A0';
  return cell.Character;
}

std::string RowText(const TTtxGridRow &row) {
  std::string text;
  for (const TTtxCell &cell : row)
    AppendCodePointUtf8(text, CellCharacter(cell));
  const auto end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

} // namespace

std::array<std::string, kTtxRows> PageText(const TtxPageBuffer &page, int languageChoice) {
  TNationalTable table{};
  std::string name;
  LoadNationalTable(languageChoice == kTtxLanguageAuto ? page.NationalOption : languageChoice,
                    &table, name);

  std::array<std::string, kTtxRows> lines;
  TTtxRowBytes header = page.Rows[0];
  std::fill(header.begin(), header.begin() + 8, ' ');
  TTtxGridRow headerRow;
  LayoutRow(header, table, headerRow);
  lines[0] = RowText(headerRow);

  const TTtxPageGrid grid = LayoutPage(page, table, true);
  for (int row = 1; row < kTtxRows; ++row)
    lines[row] = RowText(grid.Rows[row]);
  return lines;
}

} // namespace qev::teletext
