#include "diagnostics/data_channel.h"
#include "diagnostics/hist_scope_model.h"
#include "diagnostics/legend_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace qev::diagnostics {
namespace {

TEST(DataChannelTest, AutoScaleWidensToHeadroomAndNeverShrinks) {
  TDataChannel channel;
  channel.AutoScale = true;
  channel.AddSample(1000);
  EXPECT_EQ(channel.RangeMax(), 1100);
  channel.AddSample(10);
  EXPECT_EQ(channel.RangeMax(), 1100);
  channel.AddSample(-100);
  EXPECT_EQ(channel.RangeMin(), -110);
  EXPECT_EQ(channel.MinValue(), -100);
  EXPECT_EQ(channel.MaxValue(), 1000);
  EXPECT_EQ(channel.LstValue(), -100);
  // Memory in KB times 110 leaves 32 bits: the range stops at the largest value.
  channel.AddSample(std::numeric_limits<std::int32_t>::max() / 100);
  EXPECT_EQ(channel.RangeMax(), 23622320); // 21474836 * 1.1, rounded
  channel.AddSample(std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(channel.RangeMax(), std::numeric_limits<std::int32_t>::max());
}

TEST(DataChannelTest, RangesAreTakenOnlyWhileMinStaysBelowMax) {
  TDataChannel channel;
  channel.AddSample(5);
  channel.SetRangeMin(100);
  EXPECT_EQ(channel.RangeMin(), 0);
  EXPECT_EQ(channel.ValidCount(), 1) << "a refused bound keeps the history";
  channel.SetRangeMax(0);
  EXPECT_EQ(channel.RangeMax(), 100);
  channel.SetRangeMax(200);
  EXPECT_EQ(channel.RangeMax(), 200);
  EXPECT_EQ(channel.ValidCount(), 0) << "a new bound clears the history";
  channel.SetRangeMin(-50);
  EXPECT_EQ(channel.RangeMin(), -50);
}

TEST(DataChannelTest, RingWrapsAndClears) {
  TDataChannel channel;
  channel.SetHistSize(0);
  EXPECT_EQ(channel.HistSize(), 1);
  channel.SetHistSize(4);
  int fed = 0;
  channel.OnDataFeed = [&fed] { return ++fed; };
  int told = 0;
  channel.OnNewValue = [&told](TDataChannel &) { ++told; };
  for (int i = 0; i < 6; ++i)
    channel.Sample();
  EXPECT_EQ(told, 6);
  EXPECT_EQ(channel.ValidCount(), 4);
  EXPECT_EQ(channel.SampleAt(0), 6);
  EXPECT_EQ(channel.SampleAt(3), 3);
  EXPECT_FALSE(channel.SampleAt(4));
  EXPECT_FALSE(channel.SampleAt(-1));
  channel.Clear();
  EXPECT_EQ(channel.ValidCount(), 0);
  EXPECT_EQ(channel.MaxValue(), 0);
  channel.OnDataFeed = nullptr;
  channel.Sample();
  EXPECT_EQ(channel.SampleAt(0), 0) << "no source samples 0";
}

TEST(LegendFormatTest, OneWidthPlaceholderAndPercent) {
  EXPECT_EQ(FormatLegend("Sys %2d%%", 7), "Sys  7%");
  EXPECT_EQ(FormatLegend("Mem %3d K", 123456), "Mem 123456 K");
  EXPECT_EQ(FormatLegend("%d", -5), "-5");
  EXPECT_EQ(FormatLegend("0200: %3d KB/s", 42), "0200:  42 KB/s");
  // Everything a printf would read further stays text: no second value, no strings.
  EXPECT_EQ(FormatLegend("%d %d %s %n %x", 1), "1 %d %s %n %x");
  EXPECT_EQ(FormatLegend("%999d", 1), "%999d");
  EXPECT_EQ(FormatLegend("100%", 1), "100%");
  EXPECT_EQ(FormatLegend("", 1), "");
}

TEST(HistScopeModelTest, ZeroSettingsBecomeOne) {
  THistScopeModel scope;
  scope.SetFrequency(0);
  scope.SetGridSize(0, -3);
  scope.SetInterval(0);
  EXPECT_EQ(scope.Frequency(), 1);
  EXPECT_EQ(scope.GridSizeX(), 1);
  EXPECT_EQ(scope.GridSizeY(), 1);
  EXPECT_EQ(scope.Interval(), 1);
  scope.AddChannel();
  scope.Update();
  EXPECT_EQ(scope.VerticalGrid(3).size(), 3u);
}

TEST(HistScopeModelTest, ShowsTheNewestSamplesThatFit) {
  THistScopeModel scope;
  TDataChannel &channel = scope.AddChannel();
  for (int i = 0; i < 512; ++i)
    channel.AddSample(i % 100);
  EXPECT_EQ(scope.PlotPoints(channel, 300, 101).size(), 300u);
  scope.SetFrequency(3);
  EXPECT_EQ(scope.PlotPoints(channel, 300, 101).size(), 100u);
  channel.Clear();
  for (int i = 0; i < 100; ++i)
    channel.AddSample(50);
  scope.SetFrequency(1);
  const auto points = scope.PlotPoints(channel, 300, 101);
  ASSERT_EQ(points.size(), 100u);
  EXPECT_EQ(points.front(), (TPoint{299, 50})) << "newest at the right edge";
  EXPECT_EQ(points.back().X, 200);
  scope.ScrollDir = TScrollDir::sdToRight;
  EXPECT_EQ(scope.PlotPoints(channel, 300, 101).front().X, 0);
}

TEST(HistScopeModelTest, OutOfRangeSamplesSitOnTheBandEdges) {
  THistScopeModel scope;
  TDataChannel &channel = scope.AddChannel();
  channel.DrawPosOnY = 20;
  channel.DrawHeight = 51; // rows 20..70
  channel.AddSample(1000);
  channel.AddSample(-5);
  const auto points = scope.PlotPoints(channel, 10, 200);
  EXPECT_EQ(points[0].Y, 70) << "below the range: band bottom";
  EXPECT_EQ(points[1].Y, 20) << "above the range: band top";
  EXPECT_EQ(ScaleToBand(7, 5, 5, 40), 40) << "an empty range is the whole band";
}

TEST(HistScopeModelTest, ScaleFullSharesTheWidestRangeOfVisibleChannels) {
  THistScopeModel scope;
  TDataChannel &a = scope.AddChannel();
  TDataChannel &b = scope.AddChannel();
  TDataChannel &hidden = scope.AddChannel();
  b.SetRangeMax(400);
  hidden.SetRangeMin(-1000);
  hidden.Visible = false;
  EXPECT_EQ(scope.RangeOf(a), (std::pair<std::int32_t, std::int32_t>{0, 100}));
  scope.ScaleFull = true;
  EXPECT_EQ(scope.RangeOf(a), (std::pair<std::int32_t, std::int32_t>{0, 400}));
}

TEST(HistScopeModelTest, UpdateMovesTheGridAndSamplesEveryChannel) {
  THistScopeModel scope;
  scope.SetGridSize(6, 6);
  scope.SetFrequency(4);
  int before = 0;
  scope.OnBeforeUpdate = [&before] { ++before; };
  TDataChannel &a = scope.AddChannel();
  a.OnDataFeed = [] { return 9; };
  scope.Update();
  scope.Update();
  EXPECT_EQ(scope.GridPhase(), 2);
  EXPECT_EQ(before, 2);
  EXPECT_EQ(a.ValidCount(), 2);
  scope.GridAnimated = false;
  scope.Update();
  EXPECT_EQ(scope.GridPhase(), 2);
  EXPECT_EQ(scope.HorizontalGrid(13), (std::vector<int>{12, 6, 0}));
  EXPECT_EQ(scope.BaseY(101), 50);
  scope.ClearAll();
  EXPECT_EQ(a.ValidCount(), 0);
}

} // namespace
} // namespace qev::diagnostics
