#include "diagnostics/hist_scope_model.h"

#include <algorithm>

namespace qev::diagnostics {

namespace {
int BandHeight(const TDataChannel &channel, int height) {
  return channel.DrawHeight > 0 ? channel.DrawHeight : height;
}
} // namespace

int ScaleToBand(std::int32_t value, std::int32_t lo, std::int32_t hi, int bandHeight) {
  if (hi <= lo)
    return bandHeight;
  const std::int64_t v = std::clamp(value, lo, hi);
  return static_cast<int>((v - lo) * bandHeight / (std::int64_t{hi} - lo));
}

void THistScopeModel::SetInterval(int ms) { interval_ = std::max(1, ms); }

void THistScopeModel::SetGridSize(int x, int y) {
  gridSizeX_ = std::max(1, x);
  gridSizeY_ = std::max(1, y);
  gridPhase_ %= gridSizeX_;
}

void THistScopeModel::SetFrequency(int pixels) { frequency_ = std::max(1, pixels); }

TDataChannel &THistScopeModel::AddChannel(std::unique_ptr<TDataChannel> channel) {
  channels_.push_back(std::move(channel));
  return *channels_.back();
}

TDataChannel &THistScopeModel::AddChannel() { return AddChannel(std::make_unique<TDataChannel>()); }

void THistScopeModel::Update() {
  if (GridAnimated)
    gridPhase_ = (gridPhase_ + frequency_) % gridSizeX_;
  if (OnBeforeUpdate)
    OnBeforeUpdate();
  for (const auto &channel : channels_)
    channel->Sample();
}

void THistScopeModel::ClearAll() {
  for (const auto &channel : channels_)
    channel->Clear();
}

std::vector<int> THistScopeModel::VerticalGrid(int width) const {
  std::vector<int> xs;
  const int shift = ScrollDir == TScrollDir::sdToLeft ? gridSizeX_ - gridPhase_ : gridPhase_;
  for (int x = shift % gridSizeX_; x < width; x += gridSizeX_)
    xs.push_back(x);
  return xs;
}

std::vector<int> THistScopeModel::HorizontalGrid(int height) const {
  std::vector<int> ys;
  for (int y = height - 1; y >= 0; y -= gridSizeY_)
    ys.push_back(y);
  return ys;
}

int THistScopeModel::BaseY(int height) const {
  return height - 1 - static_cast<int>(std::int64_t{height - 1} * BaseOffset / 100);
}

std::pair<std::int32_t, std::int32_t> THistScopeModel::RangeOf(const TDataChannel &channel) const {
  if (!ScaleFull)
    return {channel.RangeMin(), channel.RangeMax()};
  std::int32_t lo = channel.RangeMin(), hi = channel.RangeMax();
  for (const auto &c : channels_)
    if (c->Visible) {
      lo = std::min(lo, c->RangeMin());
      hi = std::max(hi, c->RangeMax());
    }
  return {lo, hi};
}

// The last pixel row of the band, so that the bottom of the range stays visible.
int THistScopeModel::BandBottom(const TDataChannel &channel, int height) {
  return channel.DrawPosOnY + BandHeight(channel, height) - 1;
}

std::vector<TPoint> THistScopeModel::PlotPoints(const TDataChannel &channel, int width,
                                                int height) const {
  const auto [lo, hi] = RangeOf(channel);
  const int band = std::max(0, BandHeight(channel, height) - 1);
  const int bottom = BandBottom(channel, height);
  const int n = std::min(std::max(0, width) / frequency_, channel.ValidCount());
  const bool toLeft = ScrollDir == TScrollDir::sdToLeft;
  std::vector<TPoint> points;
  points.reserve(static_cast<std::size_t>(n));
  for (int age = 0; age < n; ++age) {
    const int offset = age * frequency_;
    const int x = toLeft ? width - 1 - offset : offset;
    points.push_back(TPoint{x, bottom - ScaleToBand(*channel.SampleAt(age), lo, hi, band)});
  }
  return points;
}

} // namespace qev::diagnostics
