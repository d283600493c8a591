#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qev::teletext {

// The overlay's font size: the option's size scaled by the panel's height as a percentage of the
// screen's (100 when either is unknown), rounded, never below 6.
int SubtitleFontSize(int optionSize, int panelHeight, int screenHeight);

struct TSubtitleRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TSubtitleRect &) const = default;
};

// Where the overlay lies in its panel: 4 pixels in from both sides, its bottom `posPercent` of
// the panel's height above the panel's bottom, tall enough for the text.
TSubtitleRect SubtitleBounds(int panelWidth, int panelHeight, int posPercent, int textHeight);

// The left edge of a line of text centred in the overlay.
inline int SubtitleLineX(int overlayWidth, int textWidth) {
  return overlayWidth / 2 - textWidth / 2;
}

// The pixels that belong to the overlay's window: the glyphs, spread by the outline.
class TSubtitleMask {
public:
  TSubtitleMask(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool At(int x, int y) const;
  // Sets every pixel under a non-zero byte of the 8-bit image placed at (x, y); what falls
  // outside the mask is dropped.
  void Or(const std::uint8_t *pixels, int width, int height, std::size_t stride, int x, int y);
  // The window shape: every run of set pixels of a row, widened by `outline` on both sides and
  // kept inside the mask; overlapping runs are joined, and rows with the same runs form one
  // rectangle. Sorted by rows, then from left to right.
  std::vector<TSubtitleRect> Rectangles(int outline) const;

private:
  // The runs of one row as [begin, end) pairs, widened and joined.
  std::vector<std::pair<int, int>> RowRuns(int y, int outline) const;

  int width_;
  int height_;
  std::vector<std::uint8_t> bits_;
};

} // namespace qev::teletext
