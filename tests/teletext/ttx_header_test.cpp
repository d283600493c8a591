#include "teletext/ttx_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

TtxPageBuffer WithHeader(int number, const char *display) {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  std::memcpy(page.Rows[0].data() + 8, display, 32);
  return page;
}

std::string Text(const TTtxRowBytes &row, int from) {
  return std::string(row.begin() + from, row.end());
}

TEST(TtxHeader, RowTakesTypedTextPageTextAndLatestClock) {
  TTtxLatestHeader latest;
  latest.Update(WithHeader(200, "Latest text............ 12:00:01"), false);
  const auto shown = WithHeader(123, "Own text of 123........ 11:59:59");

  auto row = BuildHeaderRow("123", &shown, latest);
  EXPECT_EQ(row[0], 0x02);
  EXPECT_EQ(std::string(row.begin() + 1, row.begin() + 8), "123   \x07");
  EXPECT_EQ(Text(row, 8), "Own text of 123........ 12:00:01");

  row = BuildHeaderRow("12", nullptr, latest);
  EXPECT_EQ(row[0], 0x03);
  EXPECT_EQ(Text(row, 8), "Latest text............ 12:00:01");
  EXPECT_EQ(BuildHeaderRow("124", &shown, latest)[0], 0x07);
  EXPECT_EQ(BuildHeaderRow("123", nullptr, latest)[0], 0x07);
}

TEST(TtxHeader, LatestHeaderComparesOnlyTheClockWhileAPageIsShown) {
  TTtxLatestHeader latest;
  EXPECT_TRUE(latest.Update(WithHeader(100, "A text................. 10:00:00"), true));
  EXPECT_FALSE(latest.Update(WithHeader(101, "B text................. 10:00:00"), true));
  EXPECT_EQ(Text(latest.Bytes(), 8), "A text................. 10:00:00");
  EXPECT_TRUE(latest.Update(WithHeader(101, "B text................. 10:00:00"), false));
  EXPECT_TRUE(latest.Update(WithHeader(102, "C text................. 10:00:01"), true));
  EXPECT_EQ(Text(latest.Bytes(), 8), "C text................. 10:00:01"); // all 32 replaced
  latest.Clear();
  EXPECT_EQ(latest.Bytes(), TTtxRowBytes{});
}

} // namespace
} // namespace qev::teletext
