#include "teletext/ttx_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace qev::teletext {
namespace {

TtxPageBuffer Page(int number, int subpage, const char *row1 = "NEWS", std::uint8_t flags = 0) {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  page.SubPage = static_cast<std::uint16_t>(subpage);
  page.Flags = flags;
  std::memcpy(page.Rows[1].data(), row1, std::strlen(row1));
  return page;
}

TtxPageBuffer Subtitle(int number, const char *text, std::uint8_t national = 0) {
  TtxPageBuffer page = Page(number, 0, "", kTtxSubtitleC6);
  page.NationalOption = national;
  std::memcpy(page.Rows[22].data(), text, std::strlen(text));
  return page;
}

TEST(TtxCache, StoresPagesInRangeAndRemembersTheLastSubpage) {
  TTtxCache cache;
  EXPECT_EQ(cache.Commit(Page(99, 0)).Outcome, TTtxCache::TCommit::Dropped);
  EXPECT_EQ(cache.Commit(Page(901, 0)).Outcome, TTtxCache::TCommit::Dropped);
  EXPECT_EQ(cache.Commit(Page(150, 81)).Outcome, TTtxCache::TCommit::Dropped);
  EXPECT_EQ(cache.Commit(Page(150, 3)).Outcome, TTtxCache::TCommit::Stored);
  EXPECT_EQ(cache.Commit(Page(150, 1)).Outcome, TTtxCache::TCommit::Stored);
  EXPECT_EQ(cache.Commit(Page(900, 80)).Outcome, TTtxCache::TCommit::Stored);
  EXPECT_EQ(cache.PageCount(), 3u);
  const auto entry = cache.Entry(150);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->LastSubPage, 1);
  EXPECT_TRUE(entry->Filled[3] && entry->Filled[1] && !entry->Filled[0]);
  EXPECT_FALSE(cache.Get(150, 0));
  EXPECT_FALSE(cache.Get(150, 81));
  EXPECT_FALSE(cache.Entry(901));
  cache.Clear();
  EXPECT_EQ(cache.PageCount(), 0u);
  EXPECT_FALSE(cache.Get(150, 3));
}

TEST(TtxCache, ARepeatCostsNothingButAChangedPageReplacesTheStoredOne) {
  TTtxCache cache;
  cache.Commit(Page(100, 0, "12:00:01"));
  // Most broadcasters set neither C8 nor C6: a page whose bytes changed must still be taken.
  EXPECT_EQ(cache.Commit(Page(100, 0, "12:00:01")).Outcome, TTtxCache::TCommit::Unchanged);
  EXPECT_EQ(cache.Commit(Page(100, 0, "12:00:02")).Outcome, TTtxCache::TCommit::Stored);
  EXPECT_EQ(cache.Get(100, 0)->Rows[1][7], '2');
  // With the update flag the same bytes are stored (and notified) again.
  EXPECT_EQ(cache.Commit(Page(100, 0, "12:00:02", kTtxUpdateC8)).Outcome,
            TTtxCache::TCommit::Stored);
  EXPECT_EQ(cache.PageCount(), 1u);
}

TEST(TtxCache, SubtitleListKeepsSixteenSortedPagesWithVisibleBottomRows) {
  TTtxCache cache;
  EXPECT_FALSE(cache.Commit(Subtitle(888, "   ")).SubtitleListChanged); // blank bottom rows
  EXPECT_TRUE(cache.Commit(Subtitle(888, "Hello", 1)).SubtitleListChanged);
  EXPECT_FALSE(cache.Commit(Subtitle(888, "Again", 1)).SubtitleListChanged);
  EXPECT_TRUE(cache.Commit(Subtitle(777, "Bonjour", 4)).SubtitleListChanged);
  EXPECT_EQ(cache.SubtitlePages(), (std::vector<TtxSubtitlePage>{{777, 4}, {888, 1}}));
  for (int page = 101; page < 115; ++page)
    cache.Commit(Subtitle(page, "x"));
  EXPECT_EQ(cache.SubtitlePages().size(), 16u);
  EXPECT_FALSE(cache.Commit(Subtitle(200, "x")).SubtitleListChanged); // the 17th
  EXPECT_EQ(cache.SubtitlePages().front().Page, 101);
  cache.Clear();
  EXPECT_TRUE(cache.SubtitlePages().empty());
}

TEST(TtxCache, ReadersOnAnotherThreadNeverSeeAHalfWrittenPage) {
  TTtxCache cache;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      TtxPageBuffer page = Page(100, 0);
      for (auto &row : page.Rows)
        row.fill(static_cast<std::uint8_t>(0x20 + i % 64));
      cache.Commit(page);
    }
    done = true;
  });
  while (!done) {
    if (const auto page = cache.Get(100, 0)) {
      const std::uint8_t first = page->Rows[0][0];
      for (const auto &row : page->Rows)
        for (std::uint8_t byte : row)
          ASSERT_EQ(byte, first);
    }
  }
  writer.join();
}

} // namespace
} // namespace qev::teletext
