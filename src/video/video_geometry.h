#pragma once

#include "video/graph_backend.h"

#include <optional>
#include <string>

namespace qev::video {

struct TVideoRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
  bool operator==(const TVideoRect &) const = default;
};

inline bool operator==(const TVideoSize &a, const TVideoSize &b) {
  return a.Width == b.Width && a.Height == b.Height;
}

// Picture and window shapes: 0 free, 1 forced 4:3, 2 forced 16:9.
inline constexpr int kShapeFree = 0;
inline constexpr int kShape4x3 = 1;
inline constexpr int kShape16x9 = 2;

// The picture rectangle inside a panel of width x height: with a forced shape the largest
// rectangle of that shape, centred; full screen leaves `overscan` pixels on every side.
TVideoRect LayoutRect(int width, int height, int shape, int overscan);

// The window's width follows its height for a forced shape; when that exceeds the given width
// the height follows the width instead. A free shape keeps the size.
TVideoSize FitToShape(TVideoSize size, int shape);

// Moves the rectangle so that it lies on the screen (left and top at least 0, right and bottom
// at most the screen size), after clamping its size to the screen.
TVideoRect PlaceOnScreen(TVideoRect rect, TVideoSize screen);

// Preset entries: "xx,yy" percent of the screen for the window centre; "W x H" sizes with any
// of ":", "x", ",", "X", ";" between the numbers. Nothing for an entry that does not parse.
std::optional<TVideoSize> ParsePresetSize(const std::string &entry);
std::optional<TVideoRect> PresetPositionRect(const std::string &entry, TVideoRect window,
                                             TVideoSize screen, int shape);
std::optional<TVideoRect> PresetSizeRect(const std::string &entry, TVideoRect window,
                                         TVideoSize screen, int shape);

// Which edge or corner a resize drags.
enum class TSizeEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
// Keeps a forced shape while the window is resized by an edge: the left or right edge adjust
// the bottom; the top or bottom edge, or the bottom-right corner, adjust the right edge; the
// top-left and bottom-left corners adjust the left edge; the top-right corner adjusts the top.
TVideoRect KeepRatioResize(TVideoRect rect, TSizeEdge edge, int shape);

// Magnetic edges of a dragged window against the work area. An edge within kSnapDistance of a
// work-area edge snaps onto it; one pushed 2..16 pixels beyond jumps to 16 beyond, so the
// window can leave the area; for kStickMs after a snap the edge stays unless dragged more than
// 15 pixels away. One rule for all four edges.
class TMagneticEdges {
public:
  static constexpr int kSnapDistance = 16;
  static constexpr int kStickMs = 250;
  // `wanted` is where the drag would put the window; `nowMs` a steady time in milliseconds.
  TVideoRect Move(TVideoRect wanted, TVideoRect workArea, long long nowMs);

private:
  struct TAxis {
    int stuckAt = 0;
    bool stuck = false;
    long long since = 0;
  };
  int SnapAxis(int near, int far, int size, int areaNear, int areaFar, TAxis &axis,
               long long nowMs);
  TAxis x_, y_;
};

// The request a double click on a floating or full-screen video gives: in full screen 6;
// with upper-half zoom on, 5 in the upper half and 3 in the lower; else 3.
int DoubleClickRequest(bool fullScreen, bool dblClickZone, int y, int height);

} // namespace qev::video
