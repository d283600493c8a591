#include "teletext/ttx_image_size.h"

#include "teletext/ttx_page.h"

#include <algorithm>

namespace qev::teletext {
namespace {

int RoundDown(int value, int step) { return value / step * step; }

int RoundNearest(int value, int step) { return std::max(step, (value + step / 2) / step * step); }

} // namespace

TTtxImageSize InitialImageSize(TTtxImageSize stored, TTtxImageSize available) {
  TTtxImageSize size{std::min(stored.Width, available.Width),
                     std::min(stored.Height, available.Height)};
  if (size.Width < kTtxMinImageSize.Width || size.Height < kTtxMinImageSize.Height)
    size = kTtxMinImageSize;
  return {RoundDown(size.Width, kTtxColumns), RoundDown(size.Height, kTtxRows)};
}

TTtxImageSize SnapImageSize(TTtxImageSize dragged) {
  return {RoundNearest(dragged.Width, kTtxColumns), RoundNearest(dragged.Height, kTtxRows)};
}

} // namespace qev::teletext
