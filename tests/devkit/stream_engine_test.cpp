#include "devkit/stream_engine.h"
#include "devkit/ts_builder.h"
#include "si/crc32_mpeg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace qev::devkit;
using qev::si::Crc32Mpeg;
using qev::test::Bytes;
using qev::test::Join;
using qev::test::Packet;
using qev::test::Packetise;
using qev::test::Section;

namespace {

// Collects what a filter delivers, call by call.
struct Sink {
  std::vector<Bytes> calls;
  static void Callback(const std::uint8_t* data, std::int32_t length, void* context) {
    static_cast<Sink*>(context)->calls.emplace_back(data, data + length);
  }
};

const Clock::time_point t0{};

std::int32_t Start(TStreamEngine& engine, std::uint16_t pid, std::uint16_t mode, Sink& sink,
                   std::uint8_t flags = 1, const std::uint8_t* match = nullptr,
                   const std::uint8_t* mask = nullptr) {
  return engine.StartFilter(pid, &Sink::Callback, mode, match, mask, flags, &sink);
}

} // namespace

TEST(Crc32Mpeg, KnownValueAndIntactSectionsGiveZero) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32Mpeg({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}),
            0x0376E6E7u);
  EXPECT_EQ(Crc32Mpeg(Section(0x42, 1, 30)), 0u);
  EXPECT_NE(Crc32Mpeg(Section(0x42, 1, 30, false)), 0u);
}

TEST(StreamEngine, PayloadModeDeliversOnlyPacketsThatCarryAPayload) {
  TStreamEngine engine;
  Sink sink;
  ASSERT_GT(Start(engine, 0x12, QEV_DELIVER_PAYLOADS, sink), 0);
  const Bytes data = Join({Packet(0x12, 0, {1, 2, 3}), Packet(0x12, 1, {}, false, false),
                           Packet(0x13, 0, {9}), Packet(0x12, 1, {4})});
  engine.Feed(data, t0);
  ASSERT_EQ(sink.calls.size(), 2u);
  EXPECT_EQ(sink.calls[0].size(), 184u);
  EXPECT_EQ(sink.calls[0][0], 1);
  EXPECT_EQ(sink.calls[1][0], 4);
}

TEST(StreamEngine, FlagZeroBatchesUpTo64UnitsOr20Milliseconds) {
  TStreamEngine engine;
  Sink sink;
  Start(engine, 0x100, QEV_DELIVER_PACKETS, sink, 0);
  std::vector<Bytes> packets;
  for (int i = 0; i < 70; ++i)
    packets.push_back(Packet(0x100, static_cast<std::uint8_t>(i), {}));
  engine.Feed(Join(packets), t0);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].size(), 64u * 188);
  engine.Flush(t0 + std::chrono::milliseconds(19));
  EXPECT_EQ(sink.calls.size(), 1u);
  engine.Flush(t0 + std::chrono::milliseconds(20));
  ASSERT_EQ(sink.calls.size(), 2u);
  EXPECT_EQ(sink.calls[1].size(), 6u * 188);
}

TEST(StreamEngine, AllPidsFilterSeesEveryPacketAndResyncsAfterGarbage) {
  TStreamEngine engine;
  Sink all;
  Start(engine, QEV_PID_ALL, QEV_DELIVER_PACKETS, all);
  Bytes data{0x00, 0x47, 0x12}; // garbage, including a false sync byte
  for (const auto& p : {Packet(0x20, 0, {}), Packet(0x1FFF, 0, {}), Packet(0, 0, {})})
    data.insert(data.end(), p.begin(), p.end());
  // Split in the middle of a packet: the rest arrives with the next call.
  engine.Feed({data.data(), 100}, t0);
  engine.Feed({data.data() + 100, data.size() - 100}, t0);
  ASSERT_EQ(all.calls.size(), 3u);
  EXPECT_EQ(all.calls[1][2], 0xFF);
}

TEST(StreamEngine, SectionModeReassemblesChecksCrcAndAppliesMatchAndMask) {
  TStreamEngine engine;
  Sink pat, sdt, any;
  std::uint8_t match[17] = {0x42}, mask[17] = {0xFF};
  Start(engine, 0x11, QEV_DELIVER_SECTIONS, sdt, 1, match, mask);
  std::uint8_t matchPat[17] = {0x00, 0, 0, 0x12, 0x34}, maskPat[17] = {0xFF, 0, 0, 0xFF, 0xFF};
  Start(engine, 0x11, QEV_DELIVER_SECTIONS, pat, 1, matchPat, maskPat);
  Start(engine, 0x11, QEV_DELIVER_SECTIONS, any, 0); // no match: every good section, one per call

  const Bytes big = Section(0x42, 7, 400); // spans three packets
  const Bytes bad = Section(0x42, 8, 10, false);
  const Bytes small = Section(0x00, 0x1234, 8);
  const Bytes shortForm{0x70, 0x70, 0x05, 1, 2, 3, 4, 5}; // no syntax bit: no CRC to check
  std::uint8_t cc = 0;
  engine.Feed(Join(Packetise(0x11, {big, bad, small, shortForm}, cc)), t0);

  ASSERT_EQ(sdt.calls.size(), 1u);
  EXPECT_EQ(sdt.calls[0], big);
  ASSERT_EQ(pat.calls.size(), 1u);
  EXPECT_EQ(pat.calls[0], small);
  ASSERT_EQ(any.calls.size(), 3u);
  EXPECT_EQ(any.calls[2], shortForm);
}

TEST(StreamEngine, SectionModeDropsWhatALostPacketSpoils) {
  TStreamEngine engine;
  Sink sink;
  Start(engine, 0x12, QEV_DELIVER_SECTIONS, sink);
  std::uint8_t cc = 0;
  auto first = Packetise(0x12, {Section(0x4E, 1, 300)}, cc);
  first.erase(first.begin() + 1); // a packet of the middle is lost
  const auto second = Packetise(0x12, {Section(0x4E, 2, 20)}, cc);
  engine.Feed(Join(first), t0);
  engine.Feed(Join(second), t0);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0][4], 2); // only the intact second section

  // A section announcing more than 4096 bytes is skipped; the next one still arrives.
  Bytes huge{0x4E, 0xBF, 0xFF};
  huge.resize(200, 0);
  const auto after = Packetise(0x12, {Section(0x4E, 3, 10)}, cc);
  engine.Feed(Join(Packetise(0x12, {huge}, cc)), t0);
  engine.Feed(Join(after), t0);
  ASSERT_EQ(sink.calls.size(), 2u);
  EXPECT_EQ(sink.calls[1][4], 3);
}

TEST(StreamEngine, AvSlotModesFollowTheSlotsProgramme) {
  TStreamEngine engine;
  Sink slot0, slot1;
  Start(engine, QEV_PID_ALL, QEV_DELIVER_AV_SLOT(0), slot0);
  Start(engine, 0x200, QEV_DELIVER_AV_SLOT(1), slot1);
  const Bytes data = Join({Packet(0x100, 0, {}), Packet(0x101, 0, {}), Packet(0x200, 0, {})});
  engine.Feed(data, t0);
  EXPECT_TRUE(slot0.calls.empty()); // no programme yet

  engine.SetChannelPids(0, 0x101, 0x100, 0x100);
  engine.SetChannelPids(1, 0x201, 0x200, 0x200);
  engine.Feed(data, t0);
  EXPECT_EQ(slot0.calls.size(), 2u);
  EXPECT_EQ(slot1.calls.size(), 1u);
}

TEST(StreamEngine, HandlesStayInRangeAndAreNotReusedAtOnce) {
  TStreamEngine engine;
  Sink sink;
  EXPECT_EQ(engine.StartFilter(0x2001, &Sink::Callback, 188, nullptr, nullptr, 1, &sink),
            kFilterBadRequest);
  EXPECT_EQ(engine.StartFilter(0x10, &Sink::Callback, 7, nullptr, nullptr, 1, &sink),
            kFilterBadRequest);
  EXPECT_EQ(engine.StartFilter(0x10, nullptr, 188, nullptr, nullptr, 1, &sink), kFilterBadRequest);
  EXPECT_EQ(engine.StopFilter(12345), -1);

  const std::int32_t first = Start(engine, 0x10, 188, sink);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(engine.StopFilter(first), 0);
  EXPECT_EQ(engine.StopFilter(first), -1);
  EXPECT_EQ(Start(engine, 0x10, 188, sink), 2);
  // Run the counter round: handles wrap to 1 and skip the one still in use (2).
  std::int32_t last = 0;
  for (int i = 0; i < QEV_FILTER_HANDLE_MAX - 1; ++i) {
    last = Start(engine, 0x10, 188, sink);
    engine.StopFilter(last);
  }
  EXPECT_EQ(last, 1);
  EXPECT_EQ(Start(engine, 0x10, 188, sink), 3);
}

TEST(StreamEngine, NoHandleLeftWhenAllAreInUse) {
  TStreamEngine engine;
  Sink sink;
  for (int i = 0; i < QEV_FILTER_HANDLE_MAX; ++i)
    ASSERT_GT(Start(engine, static_cast<std::uint16_t>(i % 0x2000), 188, sink), 0);
  EXPECT_EQ(Start(engine, 0x10, 188, sink), kFilterNoHandle);
  EXPECT_EQ(engine.FilterCount(), static_cast<std::size_t>(QEV_FILTER_HANDLE_MAX));
}

namespace {
// Stops itself from inside its first call.
struct SelfStopper {
  TStreamEngine* engine;
  std::int32_t handle = 0;
  int calls = 0;
  static void Callback(const std::uint8_t*, std::int32_t, void* context) {
    auto* self = static_cast<SelfStopper*>(context);
    ++self->calls;
    EXPECT_EQ(self->engine->StopFilter(self->handle), 0);
  }
};
} // namespace

TEST(StreamEngine, AFilterMayStopItselfInsideItsCallback) {
  TStreamEngine engine;
  SelfStopper stopper{&engine};
  stopper.handle = engine.StartFilter(QEV_PID_ALL, &SelfStopper::Callback, QEV_DELIVER_SECTIONS,
                                      nullptr, nullptr, 1, &stopper);
  EXPECT_EQ(stopper.handle, kFilterBadRequest); // sections need one PID
  stopper.handle = engine.StartFilter(0x10, &SelfStopper::Callback, QEV_DELIVER_PACKETS, nullptr,
                                      nullptr, 1, &stopper);
  engine.Feed(Join({Packet(0x10, 0, {}), Packet(0x10, 1, {}), Packet(0x10, 2, {})}), t0);
  EXPECT_EQ(stopper.calls, 1);
  EXPECT_EQ(engine.FilterCount(), 0u);
}

namespace {
// Counts calls that arrive after its owner was told that StopFilter returned.
struct Watched {
  std::atomic<bool> stopReturned{false};
  std::atomic<int> lateCalls{0};
  std::atomic<int> calls{0};
  static void Callback(const std::uint8_t*, std::int32_t, void* context) {
    auto* self = static_cast<Watched*>(context);
    ++self->calls;
    if (self->stopReturned)
      ++self->lateCalls;
  }
};
} // namespace

TEST(StreamEngine, NoCallbackRunsAfterStopFilterReturnsOnAnotherThread) {
  TStreamEngine engine;
  std::atomic<bool> done{false};
  std::thread delivery([&] {
    std::vector<Bytes> packets;
    for (int i = 0; i < 32; ++i)
      packets.push_back(Packet(static_cast<std::uint16_t>(0x10 + i % 4), static_cast<std::uint8_t>(i), {}));
    const Bytes data = Join(packets);
    Clock::time_point now{};
    while (!done) {
      engine.Feed(data, now);
      now += std::chrono::milliseconds(5);
    }
  });
  int late = 0, delivered = 0;
  for (int round = 0; round < 400; ++round) {
    Watched watched[3];
    const std::int32_t handles[3] = {
        engine.StartFilter(0x10, &Watched::Callback, QEV_DELIVER_PACKETS, nullptr, nullptr, 1,
                           &watched[0]),
        engine.StartFilter(QEV_PID_ALL, &Watched::Callback, QEV_DELIVER_PACKETS, nullptr, nullptr,
                           0, &watched[1]),
        engine.StartFilter(0x11, &Watched::Callback, QEV_DELIVER_PAYLOADS, nullptr, nullptr, 0,
                           &watched[2])};
    while (watched[0].calls == 0 && round % 50 == 0) // now and then let data flow first
      std::this_thread::yield();
    for (int i = 0; i < 3; ++i) {
      engine.StopFilter(handles[i]);
      watched[i].stopReturned = true;
    }
    for (auto& w : watched) {
      late += w.lateCalls;
      delivered += w.calls;
    }
  } // each Watched dies right after its stop: a late call would also be a use after free
  done = true;
  delivery.join();
  EXPECT_EQ(late, 0);
  EXPECT_GT(delivered, 0);
}

TEST(StreamEngine, AStoppedFilterIsLetGoWithoutWaitingForTheNextPacket) {
  TStreamEngine engine;
  Sink sink;
  // Never fed: a module whose tuner has no signal still starts and stops filters.
  for (int i = 0; i < 1000; ++i)
    engine.StopFilter(Start(engine, 0x12, QEV_DELIVER_SECTIONS, sink));
  EXPECT_EQ(engine.HeldFilters(), 0u);
  // Fed once in a while: a started filter is in the table at once and leaves it on stop.
  const std::int32_t kept = Start(engine, 0x10, QEV_DELIVER_PACKETS, sink);
  for (int i = 0; i < 1000; ++i) {
    engine.StopFilter(Start(engine, 0x11, QEV_DELIVER_PACKETS, sink, 0));
    if (i % 100 == 0)
      engine.Feed(Packet(0x10, static_cast<std::uint8_t>(i), {}), t0);
  }
  EXPECT_EQ(engine.HeldFilters(), 1u);
  EXPECT_EQ(sink.calls.size(), 10u);
  engine.StopFilter(kept);
  EXPECT_EQ(engine.HeldFilters(), 0u);
}

TEST(StreamEngine, AFilterStoppedFromInsideACallbackIsLetGoByTheFeed) {
  TStreamEngine engine;
  SelfStopper stopper{&engine};
  stopper.handle = engine.StartFilter(0x10, &SelfStopper::Callback, QEV_DELIVER_PACKETS, nullptr,
                                      nullptr, 1, &stopper);
  engine.Feed(Packet(0x10, 0, {}), t0);
  EXPECT_EQ(stopper.calls, 1);
  EXPECT_EQ(engine.HeldFilters(), 0u); // let go by the feed itself once its walk was done
}
