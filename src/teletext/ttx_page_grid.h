#pragma once

#include "teletext/national_charset.h"
#include "teletext/ttx_page.h"

#include <array>
#include <cstdint>

namespace qev::teletext {

using TTtxRowBytes = std::array<std::uint8_t, kTtxColumns>;

enum class TTtxCellKind : std::uint8_t {
  Glyph,   // Character in the foreground colour over the background
  Mosaic,  // the set blocks of MosaicBits in the foreground colour over the background
  Covered, // lower half of a double-height cell: the cell above draws over it
};

enum class TTtxCellSize : std::uint8_t { Normal, DoubleHeight, DoubleWidth, DoubleSize };

// Block bits of a mosaic cell: two columns, three rows.
enum : std::uint8_t {
  kMosaicTopLeft = 0x01,
  kMosaicTopRight = 0x02,
  kMosaicMiddleLeft = 0x04,
  kMosaicMiddleRight = 0x08,
  kMosaicBottomLeft = 0x10,
  kMosaicBottomRight = 0x40,
};
inline constexpr std::uint8_t kMosaicAllBlocks = 0x5F;

// One character cell as it is to be drawn.
struct TTtxCell {
  TTtxCellKind Kind = TTtxCellKind::Glyph;
  char16_t Character = u' ';
  std::uint8_t Code = 0x20; // the code Character was taken for (0x20 for attributes and mosaics)
  std::uint8_t Foreground = 7; // teletext colours 0..7
  std::uint8_t Background = 0;
  std::uint8_t MosaicBits = 0;
  bool Separated = false;
  TTtxCellSize Size = TTtxCellSize::Normal;
  bool LowerHalf = false; // in the row under a double-height row: background only or Covered

  bool operator==(const TTtxCell &) const = default;
};

using TTtxGridRow = std::array<TTtxCell, kTtxColumns>;

// A page laid out as 25 rows of 40 cells. Rows that are not shown keep Shown false.
struct TTtxPageGrid {
  std::array<TTtxGridRow, kTtxRows> Rows{};
  std::array<bool, kTtxRows> Shown{};
};

// Lays out one row of received bytes (parity bit ignored): spacing attributes are applied at once
// and drawn as a space. Returns whether double height occurred in the row.
bool LayoutRow(const TTtxRowBytes &bytes, const TNationalTable &table, TTtxGridRow &row);

// The row under a double-height row: background only where double height is not in effect in
// `upper`'s bytes, covered by the stretched cell above elsewhere.
void LayoutLowerHalf(const TTtxRowBytes &upper, TTtxGridRow &row);

// Rows 1..23 of the page, and row 24 when `withRow24`; a row after one with double height (when
// its number is below 24) is that row's lower half. Row 0 is left to the caller.
TTtxPageGrid LayoutPage(const TtxPageBuffer &page, const TNationalTable &table, bool withRow24);

// The colour n as 0xRRGGBB: red from bit 0, green from bit 1, blue from bit 2, full intensity.
constexpr std::uint32_t TtxColourRgb(int colour) {
  return ((colour & 1) ? 0xFF0000u : 0u) | ((colour & 2) ? 0x00FF00u : 0u) |
         ((colour & 4) ? 0x0000FFu : 0u);
}

} // namespace qev::teletext
