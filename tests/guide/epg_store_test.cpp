#include "guide/epg_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace qev::guide {
namespace {

TEpgEvent MakeEvent(std::uint16_t onid, std::uint16_t tsid, std::uint16_t sid,
                    std::uint16_t eventId, std::uint32_t start, std::uint32_t duration = 1800,
                    std::string name = "News") {
  TEpgEvent e;
  e.OriginalNetworkId = onid;
  e.TransportStreamId = tsid;
  e.ServiceId = sid;
  e.EventId = eventId;
  e.StartTime = start;
  e.Duration = duration;
  e.Name = std::move(name);
  return e;
}

TEST(EpgStore, KeepsEveryFieldOfAnEvent) {
  TEpgStore store;
  TEpgEvent e = MakeEvent(1, 2, 3, 4, 1000000, 60, "Name");
  e.HasShortEvent = true;
  e.Content = 0x43;
  e.MinAge = 15;
  e.Language = "DEU";
  e.ShortText = "short";
  e.Items = "Director:X\r";
  e.ExtendedText = std::string(5000, 'x');
  ASSERT_TRUE(store.Insert(e));
  const auto got = store.Get(0);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->OriginalNetworkId, 1);
  EXPECT_EQ(got->TransportStreamId, 2);
  EXPECT_EQ(got->ServiceId, 3);
  EXPECT_EQ(got->EventId, 4);
  EXPECT_EQ(got->StartTime, 1000000u);
  EXPECT_EQ(got->Duration, 60u);
  EXPECT_TRUE(got->HasShortEvent);
  EXPECT_EQ(got->Content, 0x43);
  EXPECT_EQ(got->MinAge, 15);
  EXPECT_EQ(got->Language, "DEU");
  EXPECT_EQ(got->Name, "Name");
  EXPECT_EQ(got->ShortText, "short");
  EXPECT_EQ(got->Items, "Director:X\r");
  EXPECT_EQ(got->ExtendedText, e.ExtendedText);
  EXPECT_FALSE(store.Get(1));
}

// The key is network + service + event id; the transport stream is stored but not keyed, and
// the first copy received stays whatever follows.
TEST(EpgStore, FirstCopyWinsPerNetworkServiceAndEvent) {
  TEpgStore store;
  EXPECT_TRUE(store.Insert(MakeEvent(1, 10, 100, 7, 5000, 60, "first")));
  EXPECT_FALSE(store.Insert(MakeEvent(1, 10, 100, 7, 9000, 90, "newer version")));
  EXPECT_FALSE(store.Insert(MakeEvent(1, 11, 100, 7, 5000, 60, "other transport stream")));
  EXPECT_TRUE(store.Contains(1, 100, 7));
  EXPECT_TRUE(store.Insert(MakeEvent(2, 10, 100, 7, 5000))); // other network
  EXPECT_TRUE(store.Insert(MakeEvent(1, 10, 101, 7, 5000))); // other service
  EXPECT_TRUE(store.Insert(MakeEvent(1, 10, 100, 8, 5000))); // other event
  EXPECT_FALSE(store.Insert(MakeEvent(1, 10, 100, 9, 0)));   // no start
  EXPECT_FALSE(store.Contains(1, 100, 9));
  ASSERT_EQ(store.Count(), 4u);
  EXPECT_EQ(store.Get(0)->Name, "first");
  EXPECT_EQ(store.Get(0)->StartTime, 5000u);
}

TEST(EpgStore, ClearEmptiesAndCountsAGeneration) {
  TEpgStore store;
  const std::size_t emptyMemory = store.Memory();
  EXPECT_EQ(store.Generation(), 0u);
  store.Insert(MakeEvent(1, 1, 1, 1, 100));
  store.Insert(MakeEvent(1, 1, 1, 2, 50));
  EXPECT_GT(store.Memory(), emptyMemory);
  EXPECT_EQ(store.CompareStart(0, 1), 1);
  EXPECT_EQ(store.CompareStart(1, 0), -1);
  EXPECT_EQ(store.CompareStart(0, 0), 0);
  EXPECT_EQ(store.CompareStart(0, 9), 0);
  EXPECT_EQ(store.HashEfficiency(), 100);
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(store.Generation(), 1u);
  EXPECT_EQ(store.Memory(), emptyMemory);
  EXPECT_FALSE(store.Get(0));
  EXPECT_FALSE(store.FindNow(1, 1, 100));
  EXPECT_TRUE(store.Insert(MakeEvent(1, 1, 1, 1, 100, 60, "again")));
  EXPECT_EQ(store.Get(0)->Name, "again");
  EXPECT_EQ(store.Generation(), 1u);
}

// The linear rule the per-service index must reproduce: the first stored event of the
// transport stream and service with start <= now <= start + duration.
std::optional<std::size_t> LinearNow(const std::vector<TEpgEvent> &stored, std::uint16_t tid,
                                     std::uint16_t sid, std::int64_t now) {
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const TEpgEvent &e = stored[i];
    if (e.TransportStreamId == tid && e.ServiceId == sid && e.StartTime <= now &&
        now <= std::int64_t{e.StartTime} + e.Duration)
      return i;
  }
  return std::nullopt;
}

TEST(EpgStore, ServicesNumberingTheirEventsAlikeKeepShortHashChains) {
  TEpgStore store;
  for (std::uint16_t sid = 1; sid <= 200; ++sid)
    for (std::uint16_t eventId = 1; eventId <= 50; ++eventId)
      store.Insert(MakeEvent(1, 1, sid, eventId, 1000 + eventId));
  ASSERT_EQ(store.Count(), 10'000u);
  EXPECT_GE(store.HashEfficiency(), 90);
}

TEST(EpgStore, FindNowMatchesTheLinearRuleOnARandomGuide) {
  std::mt19937 random(42);
  TEpgStore store;
  std::vector<TEpgEvent> stored;
  const auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  for (int i = 0; i < 5000; ++i) {
    // Few ids, networks and streams, so repeats and one service on two streams occur; long
    // and overlapping events too.
    TEpgEvent e =
        MakeEvent(static_cast<std::uint16_t>(1 + pick(2)), static_cast<std::uint16_t>(1 + pick(2)),
                  static_cast<std::uint16_t>(1 + pick(3)), static_cast<std::uint16_t>(pick(3000)),
                  1 + pick(20000), pick(10) == 0 ? pick(15000) : pick(600));
    e.Name = std::to_string(i);
    if (store.Insert(e))
      stored.push_back(e);
  }
  ASSERT_EQ(store.Count(), stored.size());
  for (int i = 0; i < 3000; ++i) {
    const auto tid = static_cast<std::uint16_t>(1 + pick(3));
    const auto sid = static_cast<std::uint16_t>(1 + pick(4));
    const std::int64_t now = pick(40000);
    const auto expected = LinearNow(stored, tid, sid, now);
    const auto got = store.FindNow(tid, sid, now);
    ASSERT_EQ(got.has_value(), expected.has_value()) << tid << " " << sid << " " << now;
    if (got) {
      EXPECT_EQ(got->Name, stored[*expected].Name);
    }
  }
}

TEST(EpgStore, FindNowIncludesBothEnds) {
  TEpgStore store;
  store.Insert(MakeEvent(1, 2, 3, 1, 1000, 100, "a"));
  store.Insert(MakeEvent(1, 2, 3, 2, 1100, 100, "b"));
  EXPECT_FALSE(store.FindNow(2, 3, 999));
  EXPECT_EQ(store.FindNow(2, 3, 1000)->Name, "a");
  EXPECT_EQ(store.FindNow(2, 3, 1100)->Name, "a");
  EXPECT_EQ(store.FindNow(2, 3, 1101)->Name, "b");
  EXPECT_EQ(store.FindNow(2, 3, 1200)->Name, "b");
  EXPECT_FALSE(store.FindNow(2, 3, 1201));
  EXPECT_FALSE(store.FindNow(9, 3, 1000));
}

// One writer inserts while readers copy events, look up the event on air and clear.
TEST(EpgStore, ReadersAndClearRunBesideTheWriter) {
  TEpgStore store;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::uint32_t i = 0; i < 20000; ++i)
      store.Insert(MakeEvent(1, 1, static_cast<std::uint16_t>(1 + i % 4),
                             static_cast<std::uint16_t>(i), 1000 + i * 10, 30, "event"));
    done = true;
  });
  std::thread reader([&] {
    while (!done) {
      const std::size_t count = store.Count();
      if (count > 0) {
        const auto e = store.Get(count - 1);
        if (e) {
          EXPECT_EQ(e->Name, "event");
        }
      }
      store.FindNow(1, 2, 5000);
      store.Memory();
    }
  });
  std::thread clearer([&] {
    for (int i = 0; i < 20 && !done; ++i) {
      store.Clear();
      std::this_thread::yield();
    }
  });
  writer.join();
  reader.join();
  clearer.join();
  EXPECT_LE(store.Count(), 20000u);
  EXPECT_GE(store.Generation(), 1u);
}

} // namespace
} // namespace qev::guide
