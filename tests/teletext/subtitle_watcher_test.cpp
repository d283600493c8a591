#include "teletext/subtitle_watcher.h"

#include "frame/notification_hub.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

namespace qev::teletext {
namespace {

using frame::kNotifyTeletext;

TtxPageBuffer SubtitlePage(int number, const char *text) {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  page.Flags = kTtxSubtitleC6;
  std::memcpy(page.Rows[22].data(), text, std::strlen(text));
  return page;
}

// What the watcher handed over, in order, from whichever thread it came.
class TPosted {
public:
  TSubtitleWatcher::TPost Sink() {
    return [this](TSubtitleLines lines) {
      const std::lock_guard lock(mutex_);
      posts_.push_back(std::move(lines));
    };
  }
  std::vector<TSubtitleLines> Posts() const {
    const std::lock_guard lock(mutex_);
    return posts_;
  }

private:
  mutable std::mutex mutex_;
  std::vector<TSubtitleLines> posts_;
};

// A decoder stand-in: stores the page and announces it from its own delivery thread.
void DeliverOnThread(frame::TNotificationHub &hub, TTtxCache &cache, const TtxPageBuffer &page) {
  std::thread delivery([&] {
    cache.Commit(page);
    hub.Notify(kNotifyTeletext, page.Page, page.SubPage);
  });
  delivery.join();
}

struct SubtitleWatcher : ::testing::Test {
  frame::TNotificationHub hub;
  TTtxCache cache;
  TPosted posted;
  std::atomic<int> acquired{0}, released{0};
  TSubtitleSource Source() {
    return {cache, [this] { ++acquired; }, [this] { ++released; }};
  }
};

TEST_F(SubtitleWatcher, WaitsForItsPageAndShowsItWhenItArrives) {
  TSubtitleWatcher watcher(hub, Source(), posted.Sink());
  EXPECT_EQ(acquired, 1);
  watcher.Follow(888);
  DeliverOnThread(hub, cache, SubtitlePage(777, "Not this one"));
  DeliverOnThread(hub, cache, SubtitlePage(888, "  Hello  "));
  const std::vector<TSubtitleLines> expected{{u"QEVDVB: Waiting subtitles on page 888"},
                                             {u"Hello"}};
  EXPECT_EQ(posted.Posts(), expected);
  EXPECT_EQ(watcher.Page(), 888);
}

TEST_F(SubtitleWatcher, ClearingHidesAndAStartBringsTheWaitingLineBack) {
  TSubtitleWatcher watcher(hub, Source(), posted.Sink());
  watcher.Follow(777);
  DeliverOnThread(hub, cache, SubtitlePage(777, "Bonjour"));
  hub.Notify(kNotifyTeletext, kTtxCacheEvent, 0); // a channel switch clears the cache
  hub.Notify(kNotifyTeletext, kTtxCacheEvent, 1); // and teletext starts again
  hub.Notify(kNotifyTeletext, kTtxCacheEvent, 7); // not an event the watcher knows
  const std::vector<TSubtitleLines> expected{{u"QEVDVB: Waiting subtitles on page 777"},
                                             {u"Bonjour"},
                                             {},
                                             {u"QEVDVB: Waiting subtitles on page 777"}};
  EXPECT_EQ(posted.Posts(), expected);
}

TEST_F(SubtitleWatcher, ABlankPageHidesAndAnAnnouncedPageMissingFromTheCacheIsIgnored) {
  TSubtitleWatcher watcher(hub, Source(), posted.Sink());
  watcher.Follow(888);
  hub.Notify(kNotifyTeletext, 888, 3); // never stored
  DeliverOnThread(hub, cache, SubtitlePage(888, "      "));
  ASSERT_EQ(posted.Posts().size(), 2u);
  EXPECT_TRUE(posted.Posts()[1].empty());
}

TEST_F(SubtitleWatcher, LetsGoOfTheTeletextAndItsSubscriptionWhenDestroyed) {
  {
    TSubtitleWatcher watcher(hub, Source(), posted.Sink());
    watcher.Follow(888);
  }
  EXPECT_EQ(released, 1);
  DeliverOnThread(hub, cache, SubtitlePage(888, "Too late"));
  EXPECT_EQ(posted.Posts().size(), 1u);
}

// The delivery thread announces pages while the user-interface thread changes the page and
// finally stops: once the waiting line of the new page has been posted, no line of the old page
// may follow it, and nothing is posted after the watcher is gone.
TEST_F(SubtitleWatcher, APageChangeIsNeverOvertakenByTheOldPagesLines) {
  cache.Commit(SubtitlePage(888, "Old page"));
  cache.Commit(SubtitlePage(777, "New page"));
  auto watcher = std::make_unique<TSubtitleWatcher>(hub, Source(), posted.Sink());
  watcher->Follow(888);
  std::atomic<bool> delivered{false};
  std::thread delivery([&] {
    for (int i = 0; i < 4000; ++i)
      hub.Notify(kNotifyTeletext, i % 2 ? 888 : 777, 0);
    delivered = true;
  });
  for (int round = 0; !delivered; ++round) {
    watcher->Follow(round % 2 ? 888 : 777);
    std::this_thread::yield();
  }
  delivery.join();
  watcher.reset();
  const std::size_t countAtStop = posted.Posts().size();
  hub.Notify(kNotifyTeletext, 888, 0);
  const auto posts = posted.Posts();
  EXPECT_EQ(posts.size(), countAtStop);
  std::u16string followed;
  for (const TSubtitleLines &lines : posts) {
    ASSERT_EQ(lines.size(), 1u);
    if (lines[0].starts_with(u"QEVDVB"))
      followed = lines[0].ends_with(u"888") ? u"Old page" : u"New page";
    else
      EXPECT_EQ(lines[0], followed);
  }
}

} // namespace
} // namespace qev::teletext
