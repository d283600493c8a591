#include "device/engine_fixture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace qev::device::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(EngineTest, TransponderChangeClosesEveryOutputShowingTheOldTransponder) {
  StartOnAlpha();
  const std::int32_t alpha3 = root.AddChannel(1, Channel(11778000, 'V', 27500, 110, "Alpha 3"));
  engine.SwitchChannel(1, alpha2, true);
  engine.SwitchChannel(2, charlie, true); // not on slot 0's transponder
  engine.SwitchChannel(3, alpha3, true);
  journal.Clear();
  engine.SwitchChannel(0, charlie, true);
  EXPECT_THAT(journal.Starting("CloseOutput"), ElementsAre("CloseOutput 1", "CloseOutput 3"));
  // The outputs close before the tune moves the tuner away.
  const auto &lines = journal.lines;
  EXPECT_LT(std::find(lines.begin(), lines.end(), "CloseOutput 3"),
            std::find(lines.begin(), lines.end(), "Tune 12188000 H 22000 wait=0 satChanged=0"));
}

TEST_F(EngineTest, SameTransponderClosesNoOutput) {
  StartOnAlpha();
  engine.SwitchChannel(1, alpha2, true);
  journal.Clear();
  engine.SwitchChannel(0, alphaAc3, true);
  EXPECT_THAT(journal.Starting("CloseOutput"), IsEmpty());
}

TEST_F(EngineTest, SelectingAChannelCopiesItAndTellsTheLists) {
  engine.SelectSlotChannel(1, charlie, 42);
  EXPECT_EQ(engine.Slot(1).SelectedHandle, charlie);
  EXPECT_EQ(data::ChName(engine.Slot(1).SelectedChannel), "Charlie");
  EXPECT_THAT(journal.lines, ElementsAre("Notify 6 42 1"));
  engine.SelectSlotChannel(1, data::MakeChannelHandle(1, 77), 42);
  engine.SelectSlotChannel(1, -5, 42);
  engine.SelectSlotChannel(9, alpha, 42);
  EXPECT_EQ(journal.lines.size(), 1u);
  EXPECT_EQ(engine.Slot(1).SelectedHandle, charlie);
}

TEST_F(EngineTest, StoredEditReachesSlotCopiesListFileAndPlugins) {
  StartOnAlpha();
  engine.SelectSlotChannel(2, alpha, 0);
  engine.SwitchChannel(1, alpha2, true);
  journal.Clear();
  data::TChannelRec edited = *root.lists.ChannelByHandle(alpha);
  data::SetChName(edited, "Alpha Edited");
  EXPECT_TRUE(engine.StoreEditedChannel(alpha, edited, 0xFFFF));
  EXPECT_EQ(data::ChName(engine.Slot(0).CurrentChannel), "Alpha Edited");
  EXPECT_EQ(data::ChName(engine.Slot(2).SelectedChannel), "Alpha Edited");
  EXPECT_EQ(data::ChName(engine.Slot(1).CurrentChannel), "Alpha Two");
  EXPECT_EQ(data::ChName(*root.lists.ChannelByHandle(alpha)), "Alpha Edited");
  EXPECT_THAT(journal.lines, ElementsAre(fmt::format("StorePluginChannel {} Alpha Edited", alpha),
                                         fmt::format("Notify 7 {} 65535", alpha)));
  // The file has it too.
  data::TChannelsList reread(192, 1);
  ASSERT_TRUE(reread.ListLoad());
  EXPECT_EQ(data::ChName(reread.Item(0)), "Alpha Edited");
}

TEST_F(EngineTest, StoringUnderAHandleThatNamesNoChannelFails) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 111, "Nowhere");
  EXPECT_FALSE(engine.StoreEditedChannel(-1, rec, 1));
  // 0 is what empty slots hold: none of them takes the record.
  EXPECT_FALSE(engine.StoreEditedChannel(0, rec, 1));
  EXPECT_EQ(engine.Slot(0).CurrentChannel.Freq, 0u);
  EXPECT_EQ(engine.Slot(3).SelectedChannel.Freq, 0u);
  EXPECT_FALSE(engine.StoreEditedChannel(data::MakeChannelHandle(1, 50), rec, 1));
  EXPECT_THAT(journal.Starting("Notify 7"), IsEmpty());
}

TEST_F(EngineTest, ReswitchRunsTheSwitchAgainInEverySlotPlayingTheChannel) {
  StartOnAlpha();
  engine.SwitchChannel(1, alpha, true);
  engine.SwitchChannel(2, alpha2, true);
  journal.Clear();
  engine.ReswitchChannel(alpha);
  EXPECT_THAT(journal.Starting("SetChannelPids"),
              ElementsAre("SetChannelPids 0 a=0x652 v=0x651 p=0x651 flags=7",
                          "SetChannelPids 1 a=0x652 v=0x651 p=0x651 flags=7"));
}

TEST_F(EngineTest, RefreshTellsThePluginsOfEverySlotPlayingTheChannel) {
  StartOnAlpha();
  engine.SwitchChannel(3, alpha, true);
  journal.Clear();
  engine.RefreshPluginChannel(alpha);
  engine.RefreshPluginChannel(0);
  EXPECT_THAT(journal.lines, ElementsAre("NotifyPlugins 0 1", "NotifyPlugins 3 1"));
}

TEST_F(EngineTest, SwapPipExchangesTheChannelsOfSlots0And1) {
  StartOnAlpha();
  engine.SwitchChannel(1, alpha2, true);
  engine.SwapPip();
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha2);
  EXPECT_EQ(engine.Slot(1).CurrentHandle, alpha);
}

TEST_F(EngineTest, ReleaseEmptiesSlot0AndTheNextSwitchSendsTheSwitchesAgain) {
  StartOnAlpha();
  engine.DvbEngine_ReleaseResources();
  EXPECT_THAT(journal.lines,
              ElementsAre("EpgStop", "TtxStop", "RecStopAll", "CloseOutput 0", "CloseOutput 1",
                          "CloseOutput 2", "CloseOutput 3", "CloseOutput 4", "CloseOutput 5"));
  EXPECT_FALSE(engine.Slot(0).Playing());
  EXPECT_EQ(engine.Slot(0).CurrentChannel.Freq, 0u);
  journal.Clear();
  EXPECT_TRUE(engine.SwitchChannel(0, alpha, true));
  EXPECT_THAT(journal.Starting("Tune"), ElementsAre("Tune 11778000 V 27500 wait=0 satChanged=1"));
}

} // namespace
} // namespace qev::device::test
