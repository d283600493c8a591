#include "diagnostics/stat_list.h"

#include <fmt/format.h>

#include <algorithm>

namespace qev::diagnostics {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The type column sorts by the low byte of the code, as unsigned.
std::uint8_t TypeKey(const TStatRow &row) { return static_cast<std::uint8_t>(row.DataType & 0xFF); }

bool Less(TStatColumn column, const TStatRow &a, const TStatRow &b) {
  switch (column) {
  case TStatColumn::Rate:
    return a.RateKBs < b.RateKBs;
  case TStatColumn::DataType:
    return TypeKey(a) < TypeKey(b);
  case TStatColumn::Pid:
    break;
  }
  return a.Pid < b.Pid;
}

} // namespace

void TStatList::Refresh(const TTsStatistics &stats) {
  rows_.clear();
  for (int pid = 0; pid < kPidCount; ++pid) {
    const TPidStat &s = stats.Pid(static_cast<std::uint16_t>(pid));
    const std::uint32_t packets = s.PacketCount.load(kRelaxed);
    if (packets == 0)
      continue;
    rows_.push_back(TStatRow{static_cast<std::uint16_t>(pid),
                             stats.Rate(static_cast<std::uint16_t>(pid)).RateKBs, packets,
                             s.ScrambledCount.load(kRelaxed), s.ClassState.load(kRelaxed),
                             s.DataType.load(kRelaxed)});
  }
  Sort();
}

void TStatList::SortBy(TStatColumn column) {
  descending_ = column == column_ ? !descending_ : descending_;
  column_ = column;
  Sort();
}

// Ties keep PID order, so rows of equal keys do not trade places at every refresh.
void TStatList::Sort() {
  std::stable_sort(rows_.begin(), rows_.end(), [this](const TStatRow &a, const TStatRow &b) {
    return descending_ ? Less(column_, b, a) : Less(column_, a, b);
  });
}

std::string PidText(std::uint16_t pid) { return fmt::format("{:04X}", pid); }

std::string RowTypeText(const TStatRow &row) {
  if (row.ClassState == 0)
    return "-";
  if (row.ClassState == 1)
    return "?";
  return DataTypeText(row.DataType);
}

std::string RateText(double rateKBs) { return fmt::format("{:.1f}", rateKBs); }

TRateCell RateCellGeometry(const TRect &cell, const TStatRow &row, double maxRate) {
  TRateCell out;
  out.Text = TRect{cell.Left, cell.Top, kRateTextWidth, cell.Height};
  const int left = cell.Left + kRateTextWidth + kBarGap + kBarGap;
  const int available = std::max(0, cell.Left + cell.Width - kBarGap - left);
  const int height = std::max(0, cell.Height - 2 * kBarGap);
  const double fraction = maxRate > 0 ? std::clamp(row.RateKBs / maxRate, 0.0, 1.0) : 0.0;
  const int length = std::max(1, static_cast<int>(available * fraction));
  const int red =
      row.Packets == 0 ? 0 : static_cast<int>(std::int64_t{length} * row.Scrambled / row.Packets);
  out.Scrambled = TRect{left, cell.Top + kBarGap, std::min(red, length), height};
  out.Clear =
      TRect{left + out.Scrambled.Width, cell.Top + kBarGap, length - out.Scrambled.Width, height};
  return out;
}

} // namespace qev::diagnostics
