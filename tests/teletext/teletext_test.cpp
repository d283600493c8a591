// The teletext service over a feed of its own: when it starts and stops, what it announces, and
// a real delivery thread whose notifications are read back from inside their handler.
#include "teletext/teletext.h"

#include "device/switch_hooks.h"
#include "frame/notification_hub.h"
#include "support/wait_until.h"
#include "ttx_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace qev::teletext;
using namespace qev::test;
using qev::frame::kNotifyTeletext;

// The filter as the device would open it; the test delivers through `callback`.
struct TFeedState {
  std::vector<std::uint16_t> opened;
  std::vector<std::int32_t> closed;
  ITtxFeed::DataCallback callback;
  bool refuse = false;
  std::int32_t next = 1;
};

class TFakeFeed : public ITtxFeed {
public:
  explicit TFakeFeed(TFeedState &state) : state_(state) {}
  std::int32_t Open(std::uint16_t pid, DataCallback callback) override {
    if (state_.refuse)
      return -2;
    state_.opened.push_back(pid);
    state_.callback = std::move(callback);
    return state_.next++;
  }
  void Close(std::int32_t handle) override {
    state_.closed.push_back(handle);
    state_.callback = nullptr;
  }

private:
  TFeedState &state_;
};

using Event = std::pair<std::intptr_t, std::intptr_t>;

class Teletext : public ::testing::Test {
protected:
  Teletext() { hub.Add(kNotifyTeletext, &Teletext::OnTeletext, this); }
  ~Teletext() override { hub.Remove(kNotifyTeletext, &Teletext::OnTeletext, this); }

  static void OnTeletext(void *self, std::intptr_t first, std::intptr_t second) {
    static_cast<Teletext *>(self)->events.emplace_back(first, second);
  }
  TTeletextContext Context() {
    return {hub, [this] { return bgParser; }, [this] { return pid; },
            [this] { ++subtitleChanges; }};
  }
  void Deliver(const std::vector<Bytes> &units) {
    ASSERT_TRUE(feed.callback);
    feed.callback(TtxStream(units, counter));
  }
  static std::vector<Bytes> Page(unsigned number, const std::string &text, bool subtitle = false) {
    qev::tsgen::TeletextPage page;
    page.page = number;
    page.subtitle = subtitle;
    return TtxPageUnits(page, {{subtitle ? 22 : 1, text}});
  }

  qev::frame::TNotificationHub hub;
  TFeedState feed;
  bool bgParser = false;
  std::uint16_t pid = 0x104;
  int subtitleChanges = 0;
  unsigned counter = 0;
  std::vector<Event> events;
  TTeletext teletext{std::make_unique<TFakeFeed>(feed), Context()};
};

constexpr Event kCleared{kTtxCacheEvent, 0};
constexpr Event kOpened{kTtxCacheEvent, 1};

TEST_F(Teletext, AcquireOpensTheChannelsPidAndTheLastReleaseStops) {
  teletext.TtxAcquire();
  EXPECT_TRUE(teletext.Running());
  EXPECT_EQ(feed.opened, (std::vector<std::uint16_t>{0x104}));
  EXPECT_EQ(events, (std::vector<Event>{kCleared, kOpened}));
  EXPECT_EQ(subtitleChanges, 1);

  teletext.TtxAcquire(); // already running: no second filter, no clearing
  EXPECT_EQ(feed.opened.size(), 1u);
  EXPECT_EQ(teletext.Users(), 2);
  teletext.TtxRelease();
  EXPECT_TRUE(teletext.Running());
  teletext.TtxRelease();
  EXPECT_FALSE(teletext.Running());
  EXPECT_EQ(feed.closed, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(events.back(), kCleared);
  EXPECT_EQ(subtitleChanges, 2);
}

TEST_F(Teletext, TheUserCountNeverGoesBelowZero) {
  teletext.TtxRelease();
  EXPECT_EQ(teletext.Users(), 0);
  EXPECT_TRUE(events.empty()) << "a stray release stops nothing";
  teletext.TtxAcquire();
  teletext.TtxRelease();
  teletext.TtxRelease();
  EXPECT_EQ(teletext.Users(), 0);
  teletext.TtxAcquire();
  EXPECT_EQ(teletext.Users(), 1);
  EXPECT_TRUE(teletext.Running());
}

TEST_F(Teletext, BackgroundCollectionRunsWithoutUsersFromSwitchToSwitch) {
  teletext.TtxRestart();
  EXPECT_FALSE(teletext.Running()) << "nobody wants it";
  bgParser = true;
  teletext.TtxRestart();
  EXPECT_TRUE(teletext.Running());
  teletext.TtxAcquire();
  teletext.TtxRelease();
  EXPECT_TRUE(teletext.Running()) << "the last user leaves it running in the background";
  teletext.TtxStop();
  EXPECT_FALSE(teletext.Running());
  pid = 0x222;
  teletext.TtxRestart();
  EXPECT_EQ(feed.opened, (std::vector<std::uint16_t>{0x104, 0x222}));
}

TEST_F(Teletext, NoUsablePidOrARefusedFilterLeavesItStoppedWithAnEmptyCache) {
  teletext.TtxAcquire();
  Deliver(Page(100, "Index"));
  ASSERT_EQ(teletext.Cache().PageCount(), 1u);
  for (std::uint16_t unusable : {0, 8191, 0x1FFF}) {
    teletext.TtxStop();
    pid = unusable;
    teletext.TtxRestart();
    EXPECT_FALSE(teletext.Running()) << unusable;
    EXPECT_EQ(teletext.Cache().PageCount(), 0u);
  }
  pid = 0x104;
  feed.refuse = true;
  teletext.TtxRestart();
  EXPECT_FALSE(teletext.Running());
  EXPECT_NE(events.back(), kOpened);
}

TEST_F(Teletext, StoredPagesAreAnnouncedAndUnchangedRepeatsAreNot) {
  teletext.TtxAcquire();
  events.clear();
  Deliver(Page(100, "Index"));
  Deliver(Page(100, "Index"));
  EXPECT_EQ(events, (std::vector<Event>{{100, 0}}));
  Deliver(Page(100, "Changed"));
  EXPECT_EQ(events.back(), (Event{100, 0}));
  EXPECT_EQ(events.size(), 2u);
  const auto page = teletext.Cache().Get(100, 0);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->Rows[1][0] & 0x7F, 'C');

  const int before = subtitleChanges;
  Deliver(Page(888, "A subtitle", true));
  EXPECT_EQ(subtitleChanges, before + 1);
  EXPECT_EQ(teletext.Cache().SubtitlePages(), (std::vector<TtxSubtitlePage>{{888, 0}}));
  Deliver(Page(888, "Next subtitle", true));
  EXPECT_EQ(subtitleChanges, before + 1) << "the list did not change";
  EXPECT_EQ(events.back(), (Event{888, 0}));
}

TEST_F(Teletext, TheChannelSwitchStopsAndRestartsThroughItsHooks) {
  qev::device::TSwitchHooks hooks;
  PlugSwitchHooks(teletext, hooks);
  teletext.TtxAcquire();
  hooks.TtxStop();
  EXPECT_FALSE(teletext.Running());
  pid = 0x300;
  hooks.TtxRestart(0x300);
  EXPECT_TRUE(teletext.Running());
  EXPECT_EQ(feed.opened.back(), 0x300);
  UnplugSwitchHooks(hooks);
  EXPECT_FALSE(hooks.TtxStop);
  EXPECT_FALSE(hooks.TtxRestart);
}

// A feed that delivers from a thread of its own until it is closed, as the device does.
class TThreadFeed : public ITtxFeed {
public:
  explicit TThreadFeed(Bytes stream) : stream_(std::move(stream)) {}
  ~TThreadFeed() override { Close(0); }
  std::int32_t Open(std::uint16_t, DataCallback callback) override {
    stop_ = false;
    thread_ = std::thread([this, callback = std::move(callback)] {
      while (!stop_)
        callback(stream_);
    });
    return 1;
  }
  void Close(std::int32_t) override {
    stop_ = true;
    if (thread_.joinable())
      thread_.join();
  }

private:
  const Bytes stream_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct TReader {
  const TTeletext *teletext = nullptr;
  std::atomic<int> pagesRead{0};
  static void OnTeletext(void *self, std::intptr_t page, std::intptr_t subpage) {
    auto *reader = static_cast<TReader *>(self);
    if (page == kTtxCacheEvent)
      return;
    if (reader->teletext->Cache().Get(static_cast<int>(page), static_cast<int>(subpage)))
      ++reader->pagesRead;
  }
};

TEST(TeletextThreads, TheDeliveryThreadDecodesWhileReadersCopyPagesFromTheHandler) {
  // Pages 100..109, each changing on every turn so that each turn stores and announces it.
  unsigned counter = 0;
  Bytes stream;
  for (int turn = 0; turn < 2; ++turn)
    for (unsigned page = 100; page < 110; ++page) {
      qev::tsgen::TeletextPage p;
      p.page = page;
      const Bytes part = TtxStream(TtxPageUnits(p, {{1, "turn " + std::to_string(turn)}}), counter);
      stream.insert(stream.end(), part.begin(), part.end());
    }
  qev::frame::TNotificationHub hub;
  std::atomic<int> subtitleChanges{0};
  TTeletext teletext(
      std::make_unique<TThreadFeed>(stream),
      {hub, [] { return false; }, [] { return std::uint16_t{0x104}; }, [&] { ++subtitleChanges; }});
  TReader reader{&teletext};
  hub.Add(kNotifyTeletext, &TReader::OnTeletext, &reader);
  teletext.TtxAcquire();
  std::thread other([&] {
    for (int i = 0; i < 2000; ++i) {
      (void)teletext.Cache().Get(100 + i % 10, 0);
      (void)teletext.Running();
      (void)teletext.Cache().PageCount();
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return reader.pagesRead > 100; }));
  other.join();
  teletext.TtxRelease();
  EXPECT_FALSE(teletext.Running());
  EXPECT_EQ(teletext.Cache().PageCount(), 0u);
  hub.Remove(kNotifyTeletext, &TReader::OnTeletext, &reader);
}

} // namespace
