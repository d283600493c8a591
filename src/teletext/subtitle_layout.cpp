#include "teletext/subtitle_layout.h"

#include <algorithm>
#include <cmath>

namespace qev::teletext {

namespace {
constexpr int kMinFontSize = 6;
constexpr int kSideMargin = 4;
} // namespace

int SubtitleFontSize(int optionSize, int panelHeight, int screenHeight) {
  const long percent = panelHeight > 0 && screenHeight > 0
                           ? std::lround(static_cast<double>(panelHeight) * 100.0 / screenHeight)
                           : 100;
  const long size = std::lround(static_cast<double>(optionSize) * percent / 100.0);
  return static_cast<int>(std::max<long>(size, kMinFontSize));
}

TSubtitleRect SubtitleBounds(int panelWidth, int panelHeight, int posPercent, int textHeight) {
  const int margin = static_cast<int>(std::lround(panelHeight * posPercent / 100.0));
  return {kSideMargin, panelHeight - margin - textHeight, panelWidth - 2 * kSideMargin,
          margin + textHeight};
}

TSubtitleMask::TSubtitleMask(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      bits_(static_cast<std::size_t>(width_) * height_, 0) {}

bool TSubtitleMask::At(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ &&
         bits_[static_cast<std::size_t>(y) * width_ + x] != 0;
}

void TSubtitleMask::Or(const std::uint8_t *pixels, int width, int height, std::size_t stride, int x,
                       int y) {
  const int firstRow = std::max(0, -y), lastRow = std::min(height, height_ - y);
  const int firstColumn = std::max(0, -x), lastColumn = std::min(width, width_ - x);
  for (int row = firstRow; row < lastRow; ++row) {
    const std::uint8_t *source = pixels + static_cast<std::size_t>(row) * stride;
    std::uint8_t *target = &bits_[static_cast<std::size_t>(y + row) * width_ + x];
    for (int column = firstColumn; column < lastColumn; ++column)
      target[column] |= source[column] != 0 ? 1 : 0;
  }
}

std::vector<std::pair<int, int>> TSubtitleMask::RowRuns(int y, int outline) const {
  std::vector<std::pair<int, int>> runs;
  const std::uint8_t *row = &bits_[static_cast<std::size_t>(y) * width_];
  for (int x = 0; x < width_;) {
    if (!row[x]) {
      ++x;
      continue;
    }
    const int begin = x;
    while (x < width_ && row[x])
      ++x;
    const int left = std::max(begin - outline, 0), right = std::min(x + outline, width_);
    if (!runs.empty() && left <= runs.back().second)
      runs.back().second = right;
    else
      runs.emplace_back(left, right);
  }
  return runs;
}

std::vector<TSubtitleRect> TSubtitleMask::Rectangles(int outline) const {
  std::vector<TSubtitleRect> rects;
  std::vector<std::pair<int, int>> band;
  std::size_t bandStart = 0; // the first rectangle of the previous row's band
  for (int y = 0; y < height_; ++y) {
    std::vector<std::pair<int, int>> runs = RowRuns(y, outline);
    if (!runs.empty() && runs == band) {
      for (std::size_t i = bandStart; i < rects.size(); ++i)
        ++rects[i].Height;
      continue;
    }
    bandStart = rects.size();
    for (const auto &[left, right] : runs)
      rects.push_back({left, y, right - left, 1});
    band = std::move(runs);
  }
  return rects;
}

} // namespace qev::teletext
