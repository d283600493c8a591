#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qev::diagnostics {

enum class TPlotMode { pmNone, pmLine, pmBar, pmFill };

// One data series of a strip chart: a ring of the newest samples, the value range they are
// drawn in and how they are drawn.
class TDataChannel {
public:
  TDataChannel();
  virtual ~TDataChannel() = default;
  TDataChannel(const TDataChannel &) = delete;
  TDataChannel &operator=(const TDataChannel &) = delete;

  // Every sample widens the range to include 110 % of it.
  bool AutoScale = false;
  std::uint32_t Color = 0x00FFFF; // 0x00BBGGRR
  int Width = 1;
  TPlotMode PlotMode = TPlotMode::pmLine;
  int MarkSize = 0;
  bool Visible = true;
  std::intptr_t Tag = 0;
  std::string LegendText; // one "%Nd" for the last value, see FormatLegend
  int LegendLine = 8;
  int LegendOfsX = 0, LegendOfsY = 0;
  int DrawPosOnY = 0, DrawHeight = -1; // a height of 0 or less: the whole control
  // Asked for the next sample (none: 0); told after each sample.
  std::function<std::int32_t()> OnDataFeed;
  std::function<void(TDataChannel &)> OnNewValue;

  std::int32_t RangeMax() const { return rangeMax_; }
  std::int32_t RangeMin() const { return rangeMin_; }
  // A new bound is taken only when RangeMin < RangeMax still holds; it clears the history.
  void SetRangeMax(std::int32_t value);
  void SetRangeMin(std::int32_t value);
  int HistSize() const { return static_cast<int>(ring_.size()); }
  // At least 1; clears the history.
  void SetHistSize(int size);

  std::int32_t MinValue() const { return minValue_; }
  std::int32_t MaxValue() const { return maxValue_; }
  std::int32_t LstValue() const { return lstValue_; }
  int ValidCount() const { return valid_; }

  virtual void Clear();
  void AddSample(std::int32_t value);
  // Takes the next value from its source and adds it.
  void Sample();
  // The sample taken `age` passes ago (0: the newest), when that many are stored.
  std::optional<std::int32_t> SampleAt(int age) const;
  // The legend with the last value filled in; empty without a legend text.
  std::string Legend() const;

protected:
  virtual std::int32_t NextSample();

private:
  void ClearHistory();

  std::int32_t rangeMax_ = 100, rangeMin_ = 0;
  std::int32_t minValue_ = 0, maxValue_ = 0, lstValue_ = 0;
  std::vector<std::int32_t> ring_;
  int write_ = 0;
  int valid_ = 0;
};

} // namespace qev::diagnostics
