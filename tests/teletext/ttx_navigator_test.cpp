#include "teletext/ttx_navigator.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qev::teletext {
namespace {

TtxPageBuffer Page(int number, int subpage,
                   const char *header = "QEV TEXT 100 Thu 10 Dec 04:40:00") {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  page.SubPage = static_cast<std::uint16_t>(subpage);
  std::memcpy(page.Rows[0].data() + 8, header, std::min<std::size_t>(32, std::strlen(header)));
  std::memcpy(page.Rows[1].data(), "BODY", 4);
  return page;
}

std::string HeaderText(const TTtxRowBytes &row) { return std::string(row.begin(), row.end()); }

class NavigatorTest : public ::testing::Test {
protected:
  void Store(int number, int subpage, const char *header = "QEV TEXT 100 Thu 10 Dec 04:40:00") {
    cache.Commit(Page(number, subpage, header));
  }
  TTtxCache cache;
  TTtxNavigator nav{cache};
};

TEST_F(NavigatorTest, TypedDigitsOpenAPageAndEscapeRestoresIt) {
  Store(123, 0);
  ASSERT_TRUE(nav.GoToPage(100, -1));
  EXPECT_EQ(nav.TypeDigit(1), TTtxRedraw::Header);
  EXPECT_EQ(nav.Typed(), "1");
  EXPECT_EQ(nav.HeaderRow()[0], 0x03); // yellow while typing
  EXPECT_EQ(nav.TypeDigit(2), TTtxRedraw::Header);
  EXPECT_EQ(nav.TypeDigit(3), TTtxRedraw::Page);
  EXPECT_EQ(nav.Page(), 123);
  EXPECT_EQ(nav.SubPage(), 0);
  EXPECT_EQ(nav.HeaderRow()[0], 0x02); // green: the typed page is shown
  EXPECT_EQ(HeaderText(nav.HeaderRow()).substr(1, 7), "123   \x07");

  EXPECT_EQ(nav.TypeDigit(4), TTtxRedraw::Header);
  EXPECT_EQ(nav.Typed(), "4");
  EXPECT_EQ(nav.Page(), 123);
  nav.Escape();
  EXPECT_EQ(nav.Typed(), "123");

  // A number outside 100..900 is shown in white but opens nothing.
  for (int digit : {0, 9, 9})
    nav.TypeDigit(digit);
  EXPECT_EQ(nav.Page(), 123);
  EXPECT_EQ(nav.HeaderRow()[0], 0x07);
  EXPECT_EQ(nav.TypeDigit(-1), TTtxRedraw::Nothing);
}

TEST_F(NavigatorTest, GoToPageChecksRangeAndTakesTheNewestSubpage) {
  EXPECT_FALSE(nav.GoToPage(99, -1));
  EXPECT_FALSE(nav.GoToPage(901, -1));
  EXPECT_FALSE(nav.GoToPage(100, 81));
  EXPECT_EQ(nav.Page(), 0);

  Store(150, 3);
  Store(150, 2);
  ASSERT_TRUE(nav.GoToPage(150, -1)); // no subpage 0: the last stored one
  EXPECT_EQ(nav.SubPage(), 2);
  ASSERT_TRUE(nav.ShownPage());
  EXPECT_EQ(nav.ShownPage()->SubPage, 2);

  ASSERT_TRUE(nav.GoToPage(200, -1)); // not cached at all
  EXPECT_EQ(nav.SubPage(), -1);
  EXPECT_FALSE(nav.ShownPage());
  EXPECT_EQ(nav.Message(), "Wait: Page 200 is not in cache !");
}

TEST_F(NavigatorTest, BackGoesToThePreviousPageOnce) {
  Store(100, 0);
  Store(300, 0);
  nav.GoToPage(100, -1);
  EXPECT_FALSE(nav.BackVisible()); // no page before
  nav.GoToPage(300, -1);
  EXPECT_TRUE(nav.BackVisible());
  EXPECT_EQ(nav.PreviousPage(), 100);
  EXPECT_EQ(nav.Back(), TTtxRedraw::Page);
  EXPECT_EQ(nav.Page(), 100);
  EXPECT_FALSE(nav.BackVisible());
}

TEST_F(NavigatorTest, SubpageButtonsAndAutoSubpage) {
  Store(120, 1);
  Store(120, 2);
  Store(120, 4);
  nav.GoToPage(120, -1);
  EXPECT_TRUE(nav.AutoSubPage());
  auto buttons = nav.SubPageButtons();
  EXPECT_FALSE(buttons[0].Enabled);
  EXPECT_TRUE(buttons[1].Enabled && buttons[2].Enabled && buttons[4].Enabled);
  EXPECT_TRUE(buttons[4].Current);

  // The stream moves the page on while auto subpage is on.
  Store(120, 5);
  EXPECT_EQ(nav.OnNotification(120, 5), TTtxRedraw::Page);
  EXPECT_EQ(nav.SubPage(), 5);

  EXPECT_EQ(nav.SubPageButton(2), TTtxRedraw::Page);
  EXPECT_EQ(nav.SubPage(), 2);
  EXPECT_FALSE(nav.AutoSubPage());
  Store(120, 6);
  EXPECT_NE(nav.OnNotification(120, 6), TTtxRedraw::Page);
  EXPECT_EQ(nav.SubPage(), 2);

  nav.SubPageButton(2); // the current one again toggles auto subpage
  EXPECT_TRUE(nav.AutoSubPage());
  nav.SubPageButton(2);
  EXPECT_FALSE(nav.AutoSubPage());
  nav.AutoButton();
  EXPECT_TRUE(nav.AutoSubPage());

  // Opening another page switches auto subpage on again.
  nav.SubPageButton(1);
  nav.GoToPage(121, -1);
  EXPECT_TRUE(nav.AutoSubPage());
}

TEST_F(NavigatorTest, Gestures) {
  Store(100, 0);
  Store(101, 0);
  Store(101, 3);
  Store(101, 7);
  nav.GoToPage(300, -1);
  EXPECT_EQ(nav.Gesture(TTtxGesture::Page100), TTtxRedraw::Page);
  EXPECT_EQ(nav.Page(), 100);
  nav.Gesture(TTtxGesture::NextPage);
  EXPECT_EQ(nav.Page(), 101);
  EXPECT_EQ(nav.SubPage(), 7);
  nav.Gesture(TTtxGesture::PreviousSubPage);
  EXPECT_EQ(nav.SubPage(), 3);
  EXPECT_FALSE(nav.AutoSubPage());
  nav.Gesture(TTtxGesture::PreviousSubPage);
  EXPECT_EQ(nav.SubPage(), 0);
  EXPECT_EQ(nav.Gesture(TTtxGesture::PreviousSubPage), TTtxRedraw::Nothing);
  nav.Gesture(TTtxGesture::NextSubPage);
  EXPECT_EQ(nav.SubPage(), 3);
  nav.Gesture(TTtxGesture::PreviousPage);
  EXPECT_EQ(nav.Page(), 100);
  EXPECT_EQ(nav.Gesture(TTtxGesture::PreviousPage), TTtxRedraw::Nothing); // 99 is no page
  EXPECT_EQ(nav.Page(), 100);
  EXPECT_EQ(nav.Gesture(TTtxGesture::Close), TTtxRedraw::Close);
}

TEST_F(NavigatorTest, CacheEventsAndTheLiveClock) {
  EXPECT_EQ(nav.Message(), "[ Teletext disabled ]");
  EXPECT_EQ(nav.OnNotification(kTtxCacheEvent, 1), TTtxRedraw::Page); // filter opened
  EXPECT_EQ(nav.Page(), 100);
  EXPECT_EQ(nav.Message(), "Wait: Page 100 is not in cache !");

  // Page 100 missing: other pages bring the whole header line.
  Store(200, 0, "QEV TEXT 200 Thu 10 Dec 04:40:01");
  EXPECT_EQ(nav.OnNotification(200, 0), TTtxRedraw::Header);
  EXPECT_EQ(HeaderText(nav.HeaderRow()).substr(8), "QEV TEXT 200 Thu 10 Dec 04:40:01");
  EXPECT_EQ(nav.OnNotification(200, 0), TTtxRedraw::Nothing); // nothing new

  // Page 100 shown: its own text, the clock from the newest header.
  Store(100, 0, "QEV TEXT 100 Thu 10 Dec 04:40:02");
  nav.OnNotification(100, 0);
  Store(300, 0, "QEV TEXT 300 Fri 11 Dec 04:40:03");
  EXPECT_EQ(nav.OnNotification(300, 0), TTtxRedraw::Header);
  EXPECT_EQ(HeaderText(nav.HeaderRow()).substr(8), "QEV TEXT 100 Thu 10 Dec 04:40:03");
  Store(301, 0, "QEV TEXT 301 Sat 12 Dec 04:40:03");
  EXPECT_EQ(nav.OnNotification(301, 0), TTtxRedraw::Nothing); // only the clock counts

  // Ignored values and the cache cleared.
  EXPECT_EQ(nav.OnNotification(99, 0), TTtxRedraw::Nothing);
  EXPECT_EQ(nav.OnNotification(100, 81), TTtxRedraw::Nothing);
  nav.GoToPage(300, -1);
  EXPECT_EQ(nav.OnNotification(kTtxCacheEvent, 0), TTtxRedraw::Page);
  EXPECT_EQ(nav.Page(), 0);
  EXPECT_EQ(nav.SubPage(), -1);
  EXPECT_FALSE(nav.BackVisible());
  EXPECT_EQ(nav.Message(), "[ Teletext disabled ]");
  EXPECT_EQ(HeaderText(nav.HeaderRow()).substr(32), std::string(8, '\0'));
}

TEST_F(NavigatorTest, LanguageChoiceOverridesThePageOption) {
  TtxPageBuffer page = Page(100, 0);
  page.NationalOption = 4;
  EXPECT_EQ(nav.NationalCode(page), 4);
  EXPECT_EQ(nav.NationalCode(std::nullopt), 0);
  nav.SetLanguage(36);
  EXPECT_EQ(nav.NationalCode(page), 36);
  EXPECT_TRUE(IsTtxWindowNotification(kTtxCacheEvent, 0));
  EXPECT_TRUE(IsTtxWindowNotification(900, 80));
  EXPECT_FALSE(IsTtxWindowNotification(901, 0));
}

} // namespace
} // namespace qev::teletext
