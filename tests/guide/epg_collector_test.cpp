// The collector fed from a thread of its own, as the device module feeds it.
#include "guide/epg_collector.h"

#include "eit_payloads.h"
#include "guide/epg_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace qev::guide {
namespace {

using testing::EitSections;
using testing::EventTransponder;
using testing::Payloads;

constexpr std::int64_t kStart = 1'796'000'400; // 2026-11-29 01:00 UTC
constexpr std::uint16_t kSid = 0x21;

// A payload filter whose deliveries come from a thread of their own, in chunks of a chosen
// size; Close stops and joins that thread, so no callback runs once it returns.
class TFakeEitFeed final : public IEitFeed {
public:
  ~TFakeEitFeed() override { StopDelivery(); }

  std::int32_t Open(DataCallback callback) override {
    std::lock_guard lock(mutex_);
    ++opens_;
    if (refuse_)
      return 0;
    callback_ = std::move(callback);
    return ++handle_;
  }
  void Close(std::int32_t handle) override {
    StopDelivery();
    std::lock_guard lock(mutex_);
    closed_ = handle;
    callback_ = nullptr;
  }

  // Delivers the bytes from the delivery thread and waits until they have all been handed over.
  void Deliver(const tsgen::Bytes &bytes, std::size_t chunk = 184) {
    StartDelivery(bytes, chunk, false);
    delivery_.join();
  }
  // Delivers the bytes again and again until the filter closes.
  void DeliverForever(const tsgen::Bytes &bytes, std::size_t chunk) {
    StartDelivery(bytes, chunk, true);
  }

  int running = 0; // callbacks running now, read once Close has returned
  std::atomic<std::uint64_t> calls{0};
  std::int32_t closed_ = 0;
  int opens_ = 0;
  bool refuse_ = false;

private:
  void StartDelivery(const tsgen::Bytes &bytes, std::size_t chunk, bool loop) {
    StopDelivery();
    delivery_ = std::jthread([this, bytes, chunk, loop](std::stop_token stop) {
      do {
        for (std::size_t at = 0; at < bytes.size() && !stop.stop_requested(); at += chunk) {
          const std::size_t size = std::min(chunk, bytes.size() - at);
          std::lock_guard lock(mutex_); // the module's delivery lock, which Close waits for
          if (!callback_)
            return;
          ++running;
          callback_(std::span(bytes).subspan(at, size));
          --running;
          ++calls;
        }
      } while (loop && !stop.stop_requested());
    });
  }
  void StopDelivery() {
    if (delivery_.joinable()) {
      delivery_.request_stop();
      delivery_.join();
    }
  }

  std::mutex mutex_;
  DataCallback callback_;
  std::int32_t handle_ = 0;
  std::jthread delivery_;
};

class EpgCollectorTest : public ::testing::Test {
protected:
  std::vector<TEpgEvent> Events() const {
    std::vector<TEpgEvent> events;
    store_.ForEach([&](const TEpgEvent &e) { events.push_back(e); });
    return events;
  }

  TFakeEitFeed feed_;
  TEpgStore store_;
  TEpgCollector collector_{feed_, store_};
};

TEST_F(EpgCollectorTest, StoresEveryEventOfTheDeliveredSections) {
  const auto tp = EventTransponder(7, kStart, 40);
  const auto payloads = Payloads(EitSections(tp, kStart));
  ASSERT_TRUE(collector_.EpgStart());
  EXPECT_TRUE(collector_.Collecting());
  // Chunks that are not whole payloads, so sections and payloads are cut anywhere.
  feed_.Deliver(payloads, 100);
  collector_.Drain();
  ASSERT_EQ(store_.Count(), 40u);
  EXPECT_EQ(collector_.ErrorCount(), 0u);
  const auto events = Events();
  for (int id = 1; id <= 40; ++id) {
    const auto it = std::ranges::find(events, id, &TEpgEvent::EventId);
    ASSERT_NE(it, events.end()) << id;
    EXPECT_EQ(it->Name, "Event " + std::to_string(id));
    EXPECT_EQ(it->StartTime, kStart + (id - 1) * 1800);
    EXPECT_EQ(it->TransportStreamId, 7);
    EXPECT_EQ(it->ServiceId, kSid);
  }
  const auto now = store_.FindNow(7, kSid, kStart + 1800 + 5);
  ASSERT_TRUE(now);
  EXPECT_EQ(now->EventId, 2);
}

TEST_F(EpgCollectorTest, CountsBadSectionsAndStoresNothingOfThem) {
  auto sections = EitSections(EventTransponder(7, kStart, 6), kStart);
  ASSERT_GE(sections.size(), 2u);
  // The first section's events are all in the later ones too, so only a corrupted copy of a
  // section with its own events is a loss: corrupt every section but the present/following.
  for (std::size_t i = 2; i < sections.size(); ++i)
    sections[i][sections[i].size() / 2] ^= 0x5A;
  tsgen::Bytes garbage(184 * 3, 0x47);
  for (std::size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
  ASSERT_TRUE(collector_.EpgStart());
  feed_.Deliver(garbage);
  feed_.Deliver(Payloads(sections));
  // Stuffing after the end refutes any false start the garbage left waiting for its bytes.
  feed_.Deliver(tsgen::Bytes(184 * 24, 0xFF));
  collector_.Drain();
  EXPECT_GE(collector_.ErrorCount(), 1u);
  // Present and following: events 1 and 2 only.
  EXPECT_EQ(store_.Count(), 2u);
  for (const TEpgEvent &e : Events())
    EXPECT_LE(e.EventId, 2);
  collector_.ClearErrorCount();
  EXPECT_EQ(collector_.ErrorCount(), 0u);
}

TEST_F(EpgCollectorTest, ANewFilterNeverJoinsBytesOfTheOldOne) {
  const auto oldPayloads = Payloads(EitSections(EventTransponder(7, kStart, 30), kStart));
  auto next = EventTransponder(8, kStart, 30);
  next.originalNetworkId = 2; // else its events would be repeats of the old ones
  const auto newPayloads = Payloads(EitSections(next, kStart));
  ASSERT_TRUE(collector_.EpgStart());
  // The tune cut the old transponder off inside a section.
  feed_.Deliver(tsgen::Bytes(oldPayloads.begin(), oldPayloads.begin() + 184 + 90));
  collector_.Drain();
  EXPECT_GT(collector_.BufferedBytes(), 0u);
  collector_.EpgStop();
  EXPECT_FALSE(collector_.Collecting());
  ASSERT_TRUE(collector_.EpgStart());
  EXPECT_EQ(collector_.BufferedBytes(), 0u);
  feed_.Deliver(newPayloads);
  collector_.Drain();
  EXPECT_EQ(collector_.ErrorCount(), 0u);
  std::size_t fromNew = 0;
  for (const TEpgEvent &e : Events())
    fromNew += e.TransportStreamId == 8;
  EXPECT_EQ(fromNew, 30u);
}

TEST_F(EpgCollectorTest, StartAndStopOpenAndCloseOneFilter) {
  ASSERT_TRUE(collector_.EpgStart());
  ASSERT_TRUE(collector_.EpgStart());
  EXPECT_EQ(feed_.opens_, 1);
  collector_.EpgStop();
  EXPECT_EQ(feed_.closed_, 1);
  collector_.EpgStop(); // nothing open: nothing closed
  feed_.refuse_ = true;
  EXPECT_FALSE(collector_.EpgStart());
  EXPECT_FALSE(collector_.Collecting());
}

TEST_F(EpgCollectorTest, StopReturnsWithNoCallbackRunningAndNoneAfter) {
  const auto payloads = Payloads(EitSections(EventTransponder(7, kStart, 20), kStart));
  for (int round = 0; round < 5; ++round) {
    ASSERT_TRUE(collector_.EpgStart());
    feed_.DeliverForever(payloads, 61);
    while (feed_.calls < 50)
      std::this_thread::yield();
    collector_.EpgStop();
    EXPECT_EQ(feed_.running, 0);
    const std::uint64_t atStop = feed_.calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(feed_.calls, atStop);
  }
  collector_.Drain();
  EXPECT_EQ(store_.Count(), 20u);
}

TEST_F(EpgCollectorTest, ReadersAndClearsRunWhileTheDeviceThreadAppends) {
  const auto payloads = Payloads(EitSections(EventTransponder(7, kStart, 60), kStart));
  ASSERT_TRUE(collector_.EpgStart());
  feed_.DeliverForever(payloads, 184);
  std::atomic<bool> done{false};
  std::jthread reader([&] {
    int round = 0;
    while (!done) {
      for (std::size_t i = 0; i < store_.Count(); ++i) {
        if (const auto e = store_.Get(i)) {
          EXPECT_EQ(e->ServiceId, kSid);
        }
      }
      (void)store_.FindNow(7, kSid, kStart + 100);
      if (++round % 16 == 0)
        store_.Clear();
    }
  });
  while (feed_.calls < 2000)
    std::this_thread::yield();
  done = true;
  reader.join();
  collector_.EpgStop();
  store_.Clear();
  // The collection goes on sound after the clears: one more pass stores every event again.
  ASSERT_TRUE(collector_.EpgStart());
  feed_.Deliver(payloads);
  collector_.Drain();
  EXPECT_EQ(store_.Count(), 60u);
}

TEST(EpgCollector, ClosesItsFilterWhenItGoes) {
  TFakeEitFeed feed;
  TEpgStore store;
  {
    TEpgCollector collector(feed, store);
    ASSERT_TRUE(collector.EpgStart());
    feed.DeliverForever(Payloads(EitSections(EventTransponder(7, kStart, 5), kStart)), 184);
  }
  EXPECT_EQ(feed.closed_, 1);
}

} // namespace
} // namespace qev::guide
