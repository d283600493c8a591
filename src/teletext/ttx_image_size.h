#pragma once

namespace qev::teletext {

// The teletext image in pixels: always whole cells of a 40 x 25 grid.
struct TTtxImageSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TTtxImageSize &) const = default;
};

inline constexpr TTtxImageSize kTtxMinImageSize{320, 275};

// The size the window opens with: the stored size reduced to what the screen can show (its
// available area less the window's frame and panels), 320 x 275 when either side is too small,
// then rounded down to whole cells.
TTtxImageSize InitialImageSize(TTtxImageSize stored, TTtxImageSize available);

// The size while the user drags the window: the nearest whole cells, at least one cell.
TTtxImageSize SnapImageSize(TTtxImageSize dragged);

} // namespace qev::teletext
