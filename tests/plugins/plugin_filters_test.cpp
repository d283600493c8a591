#include "plugin_fixture.h"
#include "support/wait_until.h"

#include <gmock/gmock.h>

namespace qev::plugins::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class PluginFiltersTest : public THostFixture {
protected:
  void SetUp() override {
    first_ = AddTestPlugin("a.so");
    second_ = AddTestPlugin("b.so");
    ASSERT_TRUE(Host().LoadPlugins(false));
    a_ = std::make_unique<TTestPlugin>(first_);
    b_ = std::make_unique<TTestPlugin>(second_);
    ASSERT_NE(a_->state, b_->state);
  }

  fs::path first_, second_;
  std::unique_ptr<TTestPlugin> a_, b_;
};

TEST_F(PluginFiltersTest, StartsPayloadAndPacketFiltersAndRefusesBadPids) {
  const std::uint32_t id = a_->StartFilter(5, 0x0100);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(id, TFilterTable::RunningId(5, 1, 0));
  EXPECT_NE(b_->StartFilter(5, 0x8012), 0u);
  const auto open = device_.Open();
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open.begin()->second.Mode, QEV_DELIVER_PAYLOADS);
  EXPECT_EQ(std::next(open.begin())->second.Pid, 0x0012);
  EXPECT_EQ(std::next(open.begin())->second.Mode, QEV_DELIVER_PACKETS);

  EXPECT_EQ(a_->StartFilter(6, 0x2000), 0u);
  EXPECT_THAT(LogTexts(), Contains("Invalid PID 0x2000"));
  device_.packets188 = false;
  EXPECT_EQ(a_->StartFilter(7, 0x8012), 0u);
  EXPECT_THAT(LogTexts(), Contains("Hardware cannot deliver TS packet (188 bytes)"));
  device_.refuse = true;
  EXPECT_EQ(a_->StartFilter(8, 0x0101), 0u);
  EXPECT_THAT(LogTexts(), Contains(HasSubstr("ERR Filter [2] PID=0101 DLL_ID=1 FIL_ID=8")));
  EXPECT_EQ(Host().Filters().size(), 2u);
}

TEST_F(PluginFiltersTest, SameFilterIdTwiceReplacesTheFirstEvenWithAFullTable) {
  for (int i = 0; i < kMaxFilters; ++i)
    ASSERT_NE(a_->StartFilter(static_cast<std::uint16_t>(i), 0x100), 0u) << i;
  EXPECT_EQ(a_->StartFilter(200, 0x100), 0u);
  EXPECT_THAT(LogTexts(), Contains("No more filters available !"));

  EXPECT_NE(a_->StartFilter(5, 0x101), 0u);
  EXPECT_THAT(LogTexts(), Contains("Add filter without delete !"));
  EXPECT_EQ(device_.Open().size(), static_cast<std::size_t>(kMaxFilters));
}

TEST_F(PluginFiltersTest, OnlyTheOwnerStopsItsFilterAndDllIdInRequestsIsNotTrusted) {
  const std::uint32_t id = a_->StartFilter(5, 0x100);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(b_->StopFilter(id), 0) << "another plugin's running id";
  EXPECT_EQ(b_->StopFilter(0), 0);
  EXPECT_EQ(a_->StopFilter((id & 0xFFFFFF00u) | 102u), 0) << "index beyond the table";
  EXPECT_EQ(a_->StopFilter(id + 0x10000), 0) << "another filter id";

  // b claims a's plugin number: its filter is still its own.
  TPlgFilterRequest request{};
  request.DllId = 1;
  request.FilterId = 5;
  request.Pid = 0x200;
  request.DataEntry = b_->data;
  ASSERT_EQ(b_->send(QEV_MDAPI_START_FILTER, reinterpret_cast<std::intptr_t>(&request)), 1);
  EXPECT_EQ(device_.Open().size(), 2u) << "a's filter 5 was not replaced";
  EXPECT_EQ((request.RunningId >> 8) & 0xFF, 2u);

  EXPECT_EQ(a_->StopFilter(id), 1);
  EXPECT_EQ(a_->StopFilter(id), 0) << "already closed";
  EXPECT_EQ(device_.Open().size(), 1u);
}

TEST_F(PluginFiltersTest, DisabledPluginMayOnlyStop) {
  const std::uint32_t id = a_->StartFilter(5, 0x100);
  Host().SetPluginEnabled(0, false, false);
  EXPECT_EQ(a_->StartFilter(6, 0x100), 0u);
  EXPECT_EQ(a_->StopFilter(id), 1);
}

TEST_F(PluginFiltersTest, DataReachesItsPluginInOrderAndShortBlocksAreDropped) {
  ASSERT_NE(a_->StartFilter(1, 0x100), 0u);
  ASSERT_NE(b_->StartFilter(1, 0x200), 0u);
  for (int i = 0; i < 20; ++i) {
    device_.DeliverAll(184 * 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  device_.DeliverAll(100);
  ASSERT_TRUE(qev::test::WaitUntil(
      [&] { return a_->state->Bytes[1] + b_->state->Bytes[1] >= 2 * 20 * 368u; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(a_->state->Bytes[1], 20 * 368u);
  EXPECT_EQ(b_->state->Bytes[1], 20 * 368u);
  EXPECT_EQ(a_->state->WrongFilter, 0);
  EXPECT_EQ(a_->state->OutOfOrder, 0);
  const auto views = Host().Filters();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].Bytes, 20 * 368u);
  EXPECT_EQ(views[1].PluginIndex, 1);
}

// Device threads pour data while both plugins close and reopen their filters, so the same
// entries pass from one owner to the other: every block reaches the filter it was meant for,
// in order, one call at a time, and the queues stay bounded.
TEST_F(PluginFiltersTest, StressNeverCrossesDeliveryWhenEntriesAreReused) {
  std::atomic<bool> stop{false};
  std::vector<std::jthread> pourers;
  for (int t = 0; t < 2; ++t)
    pourers.emplace_back([&] {
      while (!stop)
        device_.DeliverAll(184);
    });
  for (int round = 0; round < 300; ++round) {
    TTestPlugin &owner = round % 2 ? *a_ : *b_;
    const std::uint16_t id = round % 2 ? 1 : 2;
    const std::uint32_t running = owner.StartFilter(id, round % 2 ? 0x100 : 0x200);
    ASSERT_NE(running, 0u);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    if (round % 3 == 0) {
      ASSERT_EQ(owner.StopFilter(running), 1);
    }
  }
  stop = true;
  pourers.clear();
  ASSERT_TRUE(
      qev::test::WaitUntil([&] { return a_->state->Bytes[1] > 0 && b_->state->Bytes[2] > 0; }));
  Host().FreePlugins();
  for (const TTestPlugin *plugin : {a_.get(), b_.get()}) {
    EXPECT_EQ(plugin->state->WrongFilter, 0);
    EXPECT_EQ(plugin->state->OutOfOrder, 0);
    EXPECT_EQ(plugin->state->Overlaps, 0);
  }
}

TEST(FeedThread, HoldsAtMostThirtyTwoBlocksAndDeliversNothingOnceClosed) {
  static std::atomic<int> calls{0};
  static std::mutex gate;
  auto sink = std::make_shared<TFilterSink>();
  sink->DataEntry = [](std::int32_t, std::int32_t, const std::uint8_t *) {
    std::lock_guard lock(gate);
    ++calls;
  };
  std::vector<std::uint8_t> block(184);
  {
    TPlgFeedThread feed;
    std::unique_lock hold(gate); // the plugin is slow
    for (int i = 0; i < 100; ++i)
      feed.Queue(sink, block);
    EXPECT_LE(feed.Waiting(), kFeedQueueBlocks);
    EXPECT_GE(sink->Dropped.load(), 100u - kFeedQueueBlocks - 1);
    sink->Open = false;
    feed.Purge(sink.get());
    EXPECT_EQ(feed.Waiting(), 0u);
    hold.unlock();
  }
  EXPECT_LE(calls.load(), 1) << "at most the block taken before the close";
}

TEST_F(PluginFiltersTest, CommandsFromInsideTheDataCallbackAreServed) {
  frame::EventLoop loop; // the test thread is the user-interface thread
  host_.reset();
  TPluginHostLinks links = Links();
  links.Ui = &loop;
  host_ = std::make_unique<TPluginHost>(links);
  const fs::path library = AddTestPlugin("c.so");
  ASSERT_TRUE(Host().LoadPlugins(false));
  TTestPlugin plugin(library);
  ASSERT_NE(plugin.StartFilter(1, 0x100), 0u);
  plugin.state->CallbackCommand = QEV_MDAPI_GET_VERSION;
  std::jthread pourer([&](std::stop_token stop) {
    for (int i = 0; i < 20 && !stop.stop_requested(); ++i)
      device_.DeliverAll(184);
  });
  ASSERT_TRUE(qev::test::WaitUntil([&] {
    loop.ProcessPending();
    return plugin.state->CallbackAnswered >= 20;
  }));
  plugin.state->CallbackCommand = 0;
  Host().FreePlugins();
}

} // namespace
} // namespace qev::plugins::test
