#include "teletext/ttx_page_grid.h"

namespace qev::teletext {
namespace {

// The attribute state of a row, reset at its start.
struct TRowState {
  std::uint8_t Foreground = 7;
  std::uint8_t Background = 0;
  bool Mosaic = false;
  bool Separated = false;
  TTtxCellSize Size = TTtxCellSize::Normal;
  bool DoubleHeightSeen = false;

  bool DoubleHeight() const {
    return Size == TTtxCellSize::DoubleHeight || Size == TTtxCellSize::DoubleSize;
  }

  void SetSize(TTtxCellSize size) {
    Size = size;
    DoubleHeightSeen = DoubleHeightSeen || DoubleHeight();
  }

  // A spacing attribute (code below 0x20).
  void Apply(std::uint8_t code) {
    if (code <= 0x07) {
      Foreground = code;
      Mosaic = false;
    } else if (code >= 0x10 && code <= 0x17) {
      Foreground = code - 0x10;
      Mosaic = true;
    } else {
      switch (code) {
      case 0x0C:
        SetSize(TTtxCellSize::Normal);
        break;
      case 0x0D:
        SetSize(TTtxCellSize::DoubleHeight);
        break;
      case 0x0E:
        SetSize(TTtxCellSize::DoubleWidth);
        break;
      case 0x0F:
        SetSize(TTtxCellSize::DoubleSize);
        break;
      case 0x19:
        Separated = false;
        break;
      case 0x1A:
        Separated = true;
        break;
      case 0x1C:
        Background = 0;
        break;
      case 0x1D:
        Background = Foreground;
        break;
      default:
        break; // flash, steady, boxes, conceal, hold and release: nothing visible
      }
    }
  }
};

bool IsBlockMosaic(std::uint8_t code) { return code < 0x40 || code >= 0x60; }

// Bits 0..4 of a mosaic code are blocks one to five; the sixth block is bit 6 (bit 5 only marks
// the code as a mosaic).
std::uint8_t MosaicBits(std::uint8_t code) { return code & kMosaicAllBlocks; }

TTtxCell CellFor(const TRowState &state, std::uint8_t code, const TNationalTable &table) {
  TTtxCell cell;
  cell.Foreground = state.Foreground;
  cell.Background = state.Background;
  cell.Size = state.Size;
  cell.Separated = state.Separated;
  if (code < 0x20)
    return cell; // an attribute shows as a space
  if (state.Mosaic) {
    cell.Kind = TTtxCellKind::Mosaic;
    cell.MosaicBits = IsBlockMosaic(code) ? MosaicBits(code) : 0;
    return cell;
  }
  cell.Code = code;
  cell.Character = table[code - 0x20];
  return cell;
}

} // namespace

bool LayoutRow(const TTtxRowBytes &bytes, const TNationalTable &table, TTtxGridRow &row) {
  TRowState state;
  for (int column = 0; column < kTtxColumns; ++column) {
    const std::uint8_t code = bytes[column] & 0x7F;
    if (code < 0x20)
      state.Apply(code);
    row[column] = CellFor(state, code, table);
  }
  return state.DoubleHeightSeen;
}

void LayoutLowerHalf(const TTtxRowBytes &upper, TTtxGridRow &row) {
  TRowState state;
  for (int column = 0; column < kTtxColumns; ++column) {
    const std::uint8_t code = upper[column] & 0x7F;
    if (code < 0x20)
      state.Apply(code);
    TTtxCell cell;
    cell.LowerHalf = true;
    cell.Background = state.Background;
    if (state.DoubleHeight())
      cell.Kind = TTtxCellKind::Covered;
    row[column] = cell;
  }
}

TTtxPageGrid LayoutPage(const TtxPageBuffer &page, const TNationalTable &table, bool withRow24) {
  TTtxPageGrid grid;
  const int lastRow = withRow24 ? 24 : 23;
  for (int row = 1; row <= lastRow; ++row) {
    grid.Shown[row] = true;
    const bool doubleHeight = LayoutRow(page.Rows[row], table, grid.Rows[row]);
    if (doubleHeight && row + 1 < 24) {
      ++row;
      grid.Shown[row] = true;
      LayoutLowerHalf(page.Rows[row - 1], grid.Rows[row]);
    }
  }
  return grid;
}

} // namespace qev::teletext
