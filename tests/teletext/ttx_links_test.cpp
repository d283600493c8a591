#include "teletext/ttx_links.h"

#include "teletext/ttx_image_size.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

TtxPageBuffer PageWithRow(int row, const char *text) {
  TtxPageBuffer page;
  const std::size_t length = std::strlen(text);
  EXPECT_LE(length, page.Rows[row].size());
  std::memcpy(page.Rows[row].data(), text, std::min(length, page.Rows[row].size()));
  return page;
}

TEST(TtxLinks, PageNumbersFromDigitRuns) {
  const auto page = PageWithRow(5, "see page 301, then 1000 or 99\x83"
                                   "250");
  for (int column : {9, 10, 11})
    EXPECT_EQ(LinkAt(page, column, 5), (TTtxLink{301, {}})) << column;
  EXPECT_TRUE(LinkAt(page, 4, 5).Empty());  // "page"
  EXPECT_TRUE(LinkAt(page, 20, 5).Empty()); // "1000"
  EXPECT_TRUE(LinkAt(page, 28, 5).Empty()); // "99"
  EXPECT_EQ(LinkAt(page, 30, 5).Page, 250); // the parity bit is ignored, the attribute splits
  EXPECT_EQ(LinkCaption(LinkAt(page, 9, 5)), "301");
  EXPECT_TRUE(LinkAt(page, 9, 0).Empty()); // the header row has no links
  EXPECT_TRUE(LinkAt(page, 40, 5).Empty());
}

TEST(TtxLinks, AddressLikeWords) {
  const auto page = PageWithRow(7, "Go (Shop.COM) www.qev.test! me@x.org");
  const auto link = LinkAt(page, 6, 7);
  EXPECT_EQ(link.Text, "Shop.COM");
  EXPECT_EQ(LinkCaption(link), "LINK");
  EXPECT_EQ(LinkUrl(link.Text), "http://Shop.COM");
  EXPECT_EQ(LinkAt(page, 16, 7).Text, "www.qev.test");
  EXPECT_EQ(LinkAt(page, 30, 7).Text, "me@x.org");
  EXPECT_TRUE(LinkAt(page, 1, 7).Empty()); // "Go"
  EXPECT_EQ(LinkCaption({}), "");
}

TEST(TtxLinks, ColourLinksOfRow24) {
  auto page = PageWithRow(24, "\x01NEWS \x02SPORT \x13WEATHER \x06TV \x05MORE");
  page.LinkPage = {101, 202, 303, 0};
  EXPECT_EQ(LinkAt(page, 2, 24).Page, 101);
  EXPECT_EQ(LinkAt(page, 9, 24).Page, 202);  // SPORT: green
  EXPECT_EQ(LinkAt(page, 16, 24).Page, 303); // a mosaic colour counts too
  EXPECT_TRUE(LinkAt(page, 25, 24).Empty()); // cyan without a link
  EXPECT_TRUE(LinkAt(page, 31, 24).Empty()); // magenta selects nothing
}

TEST(TtxLinks, UrlsToOpen) {
  EXPECT_EQ(LinkUrl("  www.qev.test "), "http://www.qev.test");
  EXPECT_EQ(LinkUrl("HTTP://QEV.COM"), "HTTP://QEV.COM");
  EXPECT_EQ(LinkUrl("me@qev.org"), "mailto:me@qev.org");

  EXPECT_TRUE(IsOpenableUrl("http://www.qev.test"));
  EXPECT_TRUE(IsOpenableUrl("HTTPS://qev.test/a"));
  EXPECT_TRUE(IsOpenableUrl("mailto:me@qev.org"));
  EXPECT_FALSE(IsOpenableUrl("http://"));
  EXPECT_FALSE(IsOpenableUrl("file:///etc/passwd.com"));
  EXPECT_FALSE(IsOpenableUrl("xhttp://qev.com"));
  EXPECT_FALSE(IsOpenableUrl("javascript:alert(1)//.com"));
  EXPECT_FALSE(IsOpenableUrl("http://qev.com;rm -rf"));
  EXPECT_FALSE(IsOpenableUrl("http://qev.com\n"));
  // Another scheme written on a page only ever becomes a web address.
  EXPECT_EQ(LinkUrl("smb://share.com"), "http://smb://share.com");
}

TEST(TtxImageSize, OpeningAndSnapping) {
  const TTtxImageSize screen{1900, 1000};
  EXPECT_EQ(InitialImageSize({400, 375}, screen), (TTtxImageSize{400, 375}));
  EXPECT_EQ(InitialImageSize({300, 375}, screen), (TTtxImageSize{320, 275}));
  EXPECT_EQ(InitialImageSize({400, 200}, screen), (TTtxImageSize{320, 275}));
  EXPECT_EQ(InitialImageSize({419, 399}, screen), (TTtxImageSize{400, 375}));
  EXPECT_EQ(InitialImageSize({4000, 3000}, screen), (TTtxImageSize{1880, 1000}));
  EXPECT_EQ(InitialImageSize({4000, 3000}, {300, 200}), (TTtxImageSize{320, 275}));

  EXPECT_EQ(SnapImageSize({419, 387}), (TTtxImageSize{400, 375}));
  EXPECT_EQ(SnapImageSize({421, 388}), (TTtxImageSize{440, 400}));
  EXPECT_EQ(SnapImageSize({3, 0}), (TTtxImageSize{40, 25}));
}

} // namespace
} // namespace qev::teletext
