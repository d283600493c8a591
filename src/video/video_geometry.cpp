#include "video/video_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qev::video {

namespace {

int RoundDiv(long long value, long long divisor) {
  return static_cast<int>((2 * value + divisor) / (2 * divisor));
}

// Width and height factors of a forced shape.
bool ShapeRatio(int shape, int &rx, int &ry) {
  if (shape == kShape4x3) {
    rx = 4, ry = 3;
    return true;
  }
  if (shape == kShape16x9) {
    rx = 16, ry = 9;
    return true;
  }
  return false;
}

std::vector<int> Numbers(const std::string &entry, const std::string &separators) {
  std::vector<int> numbers;
  std::string current;
  auto flush = [&] {
    if (!current.empty())
      numbers.push_back(std::atoi(current.c_str()));
    current.clear();
  };
  for (const char c : entry) {
    if (c >= '0' && c <= '9')
      current += c;
    else if (separators.find(c) != std::string::npos)
      flush(), numbers.push_back(-1); // marks a separator between the numbers
    else if (c != ' ')
      return {};
  }
  flush();
  // Exactly number, separator, number.
  if (numbers.size() != 3 || numbers[0] < 0 || numbers[1] != -1 || numbers[2] < 0)
    return {};
  return {numbers[0], numbers[2]};
}

TVideoRect Centred(TVideoSize size, int centreX, int centreY) {
  return {centreX - size.Width / 2, centreY - size.Height / 2, size.Width, size.Height};
}

TVideoRect FitAndPlace(TVideoRect rect, TVideoSize screen, int shape) {
  rect = PlaceOnScreen(rect, screen);
  const TVideoSize fitted = FitToShape({rect.Width, rect.Height}, shape);
  rect.Width = fitted.Width;
  rect.Height = fitted.Height;
  return rect;
}

} // namespace

TVideoRect LayoutRect(int width, int height, int shape, int overscan) {
  TVideoRect rect{overscan, overscan, std::max(0, width - 2 * overscan),
                  std::max(0, height - 2 * overscan)};
  int rx = 0, ry = 0;
  if (!ShapeRatio(shape, rx, ry))
    return rect;
  const int w = rect.Width, h = rect.Height;
  const int widthForHeight = RoundDiv(static_cast<long long>(h) * rx, ry);
  if (widthForHeight < w)
    rect.Width = widthForHeight;
  else
    rect.Height = RoundDiv(static_cast<long long>(w) * ry, rx);
  rect.Left += (w - rect.Width) / 2;
  rect.Top += (h - rect.Height) / 2;
  return rect;
}

TVideoSize FitToShape(TVideoSize size, int shape) {
  int rx = 0, ry = 0;
  if (!ShapeRatio(shape, rx, ry))
    return size;
  const int width = RoundDiv(static_cast<long long>(size.Height) * rx, ry);
  if (width <= size.Width)
    return {width, size.Height};
  return {size.Width, RoundDiv(static_cast<long long>(size.Width) * ry, rx)};
}

TVideoRect PlaceOnScreen(TVideoRect rect, TVideoSize screen) {
  rect.Width = std::clamp(rect.Width, 0, std::max(0, screen.Width));
  rect.Height = std::clamp(rect.Height, 0, std::max(0, screen.Height));
  rect.Left = std::clamp(rect.Left, 0, screen.Width - rect.Width);
  rect.Top = std::clamp(rect.Top, 0, screen.Height - rect.Height);
  return rect;
}

std::optional<TVideoSize> ParsePresetSize(const std::string &entry) {
  const std::vector<int> n = Numbers(entry, ":xX,;");
  if (n.size() != 2 || n[0] <= 0 || n[1] <= 0)
    return std::nullopt;
  return TVideoSize{n[0], n[1]};
}

std::optional<TVideoRect> PresetPositionRect(const std::string &entry, TVideoRect window,
                                             TVideoSize screen, int shape) {
  const std::vector<int> n = Numbers(entry, ",");
  if (n.size() != 2)
    return std::nullopt;
  const TVideoRect centred =
      Centred({window.Width, window.Height}, screen.Width * n[0] / 100, screen.Height * n[1] / 100);
  return FitAndPlace(centred, screen, shape);
}

std::optional<TVideoRect> PresetSizeRect(const std::string &entry, TVideoRect window,
                                         TVideoSize screen, int shape) {
  auto size = ParsePresetSize(entry);
  if (!size)
    return std::nullopt;
  size->Width = std::min(size->Width, screen.Width);
  size->Height = std::min(size->Height, screen.Height);
  const TVideoRect centred = Centred(FitToShape(*size, shape), window.Left + window.Width / 2,
                                     window.Top + window.Height / 2);
  return FitAndPlace(centred, screen, shape);
}

TVideoRect KeepRatioResize(TVideoRect rect, TSizeEdge edge, int shape) {
  int rx = 0, ry = 0;
  if (!ShapeRatio(shape, rx, ry))
    return rect;
  const int heightForWidth = RoundDiv(static_cast<long long>(rect.Width) * ry, rx);
  const int widthForHeight = RoundDiv(static_cast<long long>(rect.Height) * rx, ry);
  switch (edge) {
  case TSizeEdge::Left:
  case TSizeEdge::Right:
    rect.Height = heightForWidth; // the bottom follows
    break;
  case TSizeEdge::Top:
  case TSizeEdge::Bottom:
  case TSizeEdge::BottomRight:
    rect.Width = widthForHeight; // the right edge follows
    break;
  case TSizeEdge::TopLeft:
  case TSizeEdge::BottomLeft:
    rect.Left = rect.Right() - widthForHeight; // the left edge follows
    rect.Width = widthForHeight;
    break;
  case TSizeEdge::TopRight:
    rect.Top = rect.Bottom() - heightForWidth; // the top follows
    rect.Height = heightForWidth;
    break;
  }
  return rect;
}

// The near coordinate of the window on one axis after the magnetic rule.
int TMagneticEdges::SnapAxis(int near, int far, int size, int areaNear, int areaFar, TAxis &axis,
                             long long nowMs) {
  if (axis.stuck && nowMs - axis.since < kStickMs && std::abs(near - axis.stuckAt) <= 15)
    return axis.stuckAt;
  axis.stuck = false;
  // Distance inside the area (positive) or beyond it (negative), for the near and far edge.
  const int inNear = near - areaNear;
  const int inFar = areaFar - far;
  std::optional<int> snapped;
  if (inNear >= -1 && inNear <= kSnapDistance)
    snapped = areaNear;
  else if (inNear >= -kSnapDistance && inNear <= -2)
    snapped = areaNear - kSnapDistance;
  else if (inFar >= -1 && inFar <= kSnapDistance)
    snapped = areaFar - size;
  else if (inFar >= -kSnapDistance && inFar <= -2)
    snapped = areaFar + kSnapDistance - size;
  if (!snapped)
    return near;
  if (*snapped != near || !axis.stuck) {
    axis.stuck = true;
    axis.stuckAt = *snapped;
    axis.since = nowMs;
  }
  return *snapped;
}

TVideoRect TMagneticEdges::Move(TVideoRect wanted, TVideoRect workArea, long long nowMs) {
  wanted.Left = SnapAxis(wanted.Left, wanted.Right(), wanted.Width, workArea.Left, workArea.Right(),
                         x_, nowMs);
  wanted.Top = SnapAxis(wanted.Top, wanted.Bottom(), wanted.Height, workArea.Top, workArea.Bottom(),
                        y_, nowMs);
  return wanted;
}

int DoubleClickRequest(bool fullScreen, bool dblClickZone, int y, int height) {
  if (fullScreen)
    return 6;
  if (dblClickZone && y < height / 2)
    return 5;
  return 3;
}

} // namespace qev::video
