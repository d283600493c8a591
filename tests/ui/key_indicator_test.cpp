#include "ui/key_indicator.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::ui {
namespace {

std::vector<TIndicatorImage> Ticks(TKeyIndicator &indicator, int n) {
  std::vector<TIndicatorImage> images;
  for (int i = 0; i < n; ++i)
    images.push_back(indicator.Tick());
  return images;
}

TEST(KeyIndicatorTest, StartsNotAvailableAndShowsOffWhenSwitchedOff) {
  TKeyIndicator indicator;
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::NotAvailable);
  indicator.SetOff();
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::Off);
  indicator.SetNotAvailable();
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::NotAvailable);
}

TEST(KeyIndicatorTest, ANewStatusBlinksAFewTicksThenStaysLit) {
  TKeyIndicator indicator;
  indicator.SetBlink();
  const auto images = Ticks(indicator, TKeyIndicator::kBlinkTicks + 5);
  EXPECT_EQ(images.front(), TIndicatorImage::On);
  for (int i = 1; i < TKeyIndicator::kBlinkTicks - 1; ++i)
    EXPECT_NE(images[i], images[i - 1]) << "tick " << i;
  for (std::size_t i = TKeyIndicator::kBlinkTicks - 2; i < images.size(); ++i)
    EXPECT_EQ(images[i], TIndicatorImage::On) << "tick " << i;
}

TEST(KeyIndicatorTest, BlinkingRestartsOnEveryNewStatusAndOffStopsIt) {
  TKeyIndicator indicator;
  indicator.SetBlink();
  Ticks(indicator, 3);
  indicator.SetBlink();
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::On);
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::Alt);
  indicator.SetOff();
  EXPECT_EQ(indicator.Tick(), TIndicatorImage::Off);
}

} // namespace
} // namespace qev::ui
