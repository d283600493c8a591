#pragma once

#include "diagnostics/data_channel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qev::diagnostics {

enum class TScrollDir { sdToLeft, sdToRight };

struct TPoint {
  int X = 0, Y = 0;
  bool operator==(const TPoint &) const = default;
};

// A strip chart without its window: the channels, the grid and where every sample is drawn.
// Spacings and intervals are at least 1, so no setting divides by zero.
class THistScopeModel {
public:
  bool AutoUpdate = true;
  TScrollDir ScrollDir = TScrollDir::sdToLeft;
  bool GridAnimated = true;
  std::uint32_t GridColor = 0x008000;
  bool BaseVisible = false;
  int BaseOffset = 50; // percent of the height from the bottom
  std::uint32_t BaseColor = 0x00FF00;
  bool ScaleFull = false;
  std::uint32_t Color = 0x000000;
  std::function<void()> OnBeforeUpdate;

  int Interval() const { return interval_; }
  void SetInterval(int ms);
  int GridSizeX() const { return gridSizeX_; }
  int GridSizeY() const { return gridSizeY_; }
  void SetGridSize(int x, int y);
  int Frequency() const { return frequency_; }
  void SetFrequency(int pixels);

  TDataChannel &AddChannel(std::unique_ptr<TDataChannel> channel);
  TDataChannel &AddChannel();
  std::size_t ChannelCount() const { return channels_.size(); }
  TDataChannel &Channel(std::size_t i) const { return *channels_[i]; }

  // One sampling pass: the grid moves on, every channel takes a sample.
  void Update();
  void ClearAll();
  int GridPhase() const { return gridPhase_; }

  // Grid lines: x positions shifted by the phase, y positions counted from the bottom.
  std::vector<int> VerticalGrid(int width) const;
  std::vector<int> HorizontalGrid(int height) const;
  int BaseY(int height) const;

  // The range a channel is drawn in: its own, or with ScaleFull the widest of the visible ones.
  std::pair<std::int32_t, std::int32_t> RangeOf(const TDataChannel &channel) const;
  // The newest samples that fit, newest first, as points in a control of that size.
  std::vector<TPoint> PlotPoints(const TDataChannel &channel, int width, int height) const;
  // The bottom of a channel's band.
  static int BandBottom(const TDataChannel &channel, int height);

private:
  std::vector<std::unique_ptr<TDataChannel>> channels_;
  int interval_ = 1000;
  int gridSizeX_ = 8, gridSizeY_ = 8;
  int frequency_ = 1;
  int gridPhase_ = 0;
};

// The height of `value` above the band bottom: clamped into lo..hi, scaled to the band height
// (the whole band when lo = hi).
int ScaleToBand(std::int32_t value, std::int32_t lo, std::int32_t hi, int bandHeight);

} // namespace qev::diagnostics
