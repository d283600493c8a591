#pragma once

#include "diagnostics/ts_statistics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::diagnostics {

enum class TStatColumn { Pid = 0, Rate = 1, DataType = 2 };

// One shown row of the statistics list: a copy of its PID's figures at the last refresh.
struct TStatRow {
  std::uint16_t Pid = 0;
  double RateKBs = 0;
  std::uint32_t Packets = 0;
  std::uint32_t Scrambled = 0;
  std::uint8_t ClassState = 0;
  std::int16_t DataType = 0;
};

// The rows of the PIDs that have packets, sorted by a column; a header click sorts by it and
// turns the direction round each time.
class TStatList {
public:
  // Opens sorted by rate, the highest first.
  TStatList() = default;

  void Refresh(const TTsStatistics &stats);
  void SortBy(TStatColumn column);
  const std::vector<TStatRow> &Rows() const { return rows_; }
  TStatColumn Column() const { return column_; }
  bool Descending() const { return descending_; }

private:
  void Sort();

  std::vector<TStatRow> rows_;
  TStatColumn column_ = TStatColumn::Rate;
  bool descending_ = true;
};

// "0ABC".
std::string PidText(std::uint16_t pid);
// "-", "?" or the content text.
std::string RowTypeText(const TStatRow &row);
// "12.3"
std::string RateText(double rateKBs);

struct TRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TRect &) const = default;
};

// Where the rate cell draws: the number right-aligned in its field, then the bar split into its
// scrambled (dark red) and clear (green) parts.
struct TRateCell {
  TRect Text;
  TRect Scrambled;
  TRect Clear;
};

inline constexpr int kRateTextWidth = 40;
inline constexpr int kBarGap = 4;
inline constexpr std::uint32_t kScrambledColor = 0x251FBF; // 0x00BBGGRR
inline constexpr std::uint32_t kClearColor = 0x008000;

// The geometry of a rate cell; `maxRate` above 0 (the caller draws nothing otherwise).
TRateCell RateCellGeometry(const TRect &cell, const TStatRow &row, double maxRate);

} // namespace qev::diagnostics
