#include "diagnostics/data_channel.h"

#include "diagnostics/legend_format.h"

#include <algorithm>
#include <limits>

namespace qev::diagnostics {

namespace {

constexpr int kDefaultHistSize = 512;

// 110 % of a sample, rounded, in 64 bits (memory figures in KB reach beyond 2^31 / 110) and
// brought back into the range of a sample.
std::int32_t WithHeadroom(std::int32_t value) {
  const std::int64_t scaled = std::int64_t{value} * 110;
  const std::int64_t rounded = scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      rounded, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

TDataChannel::TDataChannel() : ring_(kDefaultHistSize, 0) {}

void TDataChannel::SetRangeMax(std::int32_t value) {
  if (rangeMin_ >= value)
    return;
  rangeMax_ = value;
  ClearHistory();
}

void TDataChannel::SetRangeMin(std::int32_t value) {
  if (value >= rangeMax_)
    return;
  rangeMin_ = value;
  ClearHistory();
}

void TDataChannel::SetHistSize(int size) {
  ring_.assign(static_cast<std::size_t>(std::max(1, size)), 0);
  ClearHistory();
}

void TDataChannel::ClearHistory() {
  write_ = 0;
  valid_ = 0;
}

void TDataChannel::Clear() {
  minValue_ = maxValue_ = lstValue_ = 0;
  ClearHistory();
}

void TDataChannel::AddSample(std::int32_t value) {
  if (AutoScale) {
    const std::int32_t a = WithHeadroom(value);
    rangeMin_ = std::min(rangeMin_, a);
    rangeMax_ = std::max(rangeMax_, a);
  }
  minValue_ = std::min(minValue_, value);
  maxValue_ = std::max(maxValue_, value);
  lstValue_ = value;
  ring_[static_cast<std::size_t>(write_)] = value;
  write_ = (write_ + 1) % HistSize();
  valid_ = std::min(valid_ + 1, HistSize());
  if (OnNewValue)
    OnNewValue(*this);
}

std::int32_t TDataChannel::NextSample() { return OnDataFeed ? OnDataFeed() : 0; }

void TDataChannel::Sample() { AddSample(NextSample()); }

std::optional<std::int32_t> TDataChannel::SampleAt(int age) const {
  if (age < 0 || age >= valid_)
    return std::nullopt;
  const int size = HistSize();
  return ring_[static_cast<std::size_t>(((write_ - 1 - age) % size + size) % size)];
}

std::string TDataChannel::Legend() const {
  return LegendText.empty() ? std::string() : FormatLegend(LegendText, lstValue_);
}

} // namespace qev::diagnostics
