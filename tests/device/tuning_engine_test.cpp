#include "device/engine_fixture.h"
#include "support/scripted_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace qev::device::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(EngineTest, FirstSwitchOfSlot0RunsEveryStepInOrder) {
  EXPECT_TRUE(engine.SwitchChannel(0, alpha, true));
  EXPECT_THAT(journal.lines,
              ElementsAre("Notify 5 256 0", "SetTeletextPid 0x0", "TtxStop", "EpgStop",
                          "Log Tuning to 11778000 V", "Tune 11778000 V 27500 wait=0 satChanged=1",
                          "EpgStart", "Notify 5 512 0", "Log Set PIDs for Channel[0]",
                          "SetChannelPids 0 a=0x652 v=0x651 p=0x651 flags=23", "Log ",
                          "NotifyPlugins 0 0", "OpenOutput 0", "RefreshVolumeDisplay",
                          "SetTeletextPid 0x653", "TtxRestart 0x653", "Notify 5 768 0", "Log "));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  EXPECT_EQ(engine.Slot(0).PreviousHandle, 0);
  EXPECT_EQ(data::ChName(engine.Slot(0).CurrentChannel), "Alpha");
  EXPECT_EQ(loaded.Index(), 1);
  EXPECT_EQ(data::SatName(loaded.Rec()), "Astra");
}

TEST_F(EngineTest, SameTransponderSetsOnlyThePids) {
  StartOnAlpha();
  EXPECT_TRUE(engine.SwitchChannel(0, alpha2, true));
  EXPECT_THAT(journal.Starting("Tune"), IsEmpty());
  EXPECT_THAT(journal.Starting("Epg"), IsEmpty());
  EXPECT_THAT(journal.Starting("Notify 5"), ElementsAre("Notify 5 256 0", "Notify 5 768 0"));
  EXPECT_THAT(journal.Starting("SetChannelPids"),
              ElementsAre("SetChannelPids 0 a=0x662 v=0x661 p=0x661 flags=23"));
  EXPECT_EQ(engine.Slot(0).PreviousHandle, alpha);
}

TEST_F(EngineTest, OtherTransponderOfTheSameSatelliteTunesWithoutSatelliteChange) {
  StartOnAlpha();
  EXPECT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_THAT(journal.Starting("Tune"), ElementsAre("Tune 12188000 H 22000 wait=0 satChanged=0"));
  EXPECT_FALSE(journal.Has("EpgClear"));
  EXPECT_TRUE(journal.Has("Log Tuning to 12188000 H"));
}

TEST_F(EngineTest, AnotherSatelliteIsLoadedAndTunedWithItsSwitches) {
  StartOnAlpha();
  // Same frequency and polarisation, but on the other satellite: still another transponder.
  EXPECT_TRUE(engine.SwitchChannel(0, delta, true));
  EXPECT_THAT(journal.Starting("Tune"), ElementsAre("Tune 11778000 V 27500 wait=0 satChanged=1"));
  EXPECT_TRUE(journal.Has("EpgClear"));
  EXPECT_EQ(loaded.Index(), 2);
}

TEST_F(EngineTest, AnEditedLoadedSatelliteSendsItsSwitchesOnTheNextTune) {
  StartOnAlpha();
  data::TSatRec edited = loaded.Rec();
  edited.LofLow = 9751000;
  edited.Sw1.SwType = 2;
  edited.Sw1.SwPort = 3;
  loaded.Refresh(edited);
  EXPECT_EQ(loaded.Rec().LofLow, 9751000);
  EXPECT_EQ(loaded.Rec().Sw1.SwPort, 3);
  EXPECT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_THAT(journal.Starting("Tune"), ElementsAre("Tune 12188000 H 22000 wait=0 satChanged=1"));
  // Still the same satellite: the guide stays, and the copy is the edited one.
  EXPECT_FALSE(journal.Has("EpgClear"));
  EXPECT_EQ(loaded.Rec().LofLow, 9751000);
  // A copy of another satellite never replaces the loaded one.
  data::TSatRec other = edited;
  other.SatIdx = 2;
  other.LofLow = 1;
  loaded.Refresh(other);
  EXPECT_EQ(loaded.Rec().LofLow, 9751000);
  EXPECT_FALSE(loaded.TakeEdited());
}

TEST_F(EngineTest, ClearingTheGuideOnTransponderChangeIsASetting) {
  StartOnAlpha();
  frame::Options().Session.ClearGuideOnTpChange = true;
  frame::Options().General.EpgBgParser = false;
  engine.SwitchChannel(0, charlie, true);
  EXPECT_TRUE(journal.Has("EpgClear"));
  EXPECT_FALSE(journal.Has("EpgStart"));
}

TEST_F(EngineTest, PidFlagsTellAc3AndAChangedChannel) {
  StartOnAlpha();
  engine.SwitchChannel(0, alphaAc3, true);
  // Audio 0x672 is also the AC-3 PID.
  engine.SwitchChannel(0, alphaAc3, true);
  engine.SwitchChannel(0, alpha, true);
  engine.SwitchChannel(0, alpha, true);
  EXPECT_THAT(journal.Starting("SetChannelPids"),
              ElementsAre("SetChannelPids 0 a=0x672 v=0x671 p=0x671 flags=31",
                          "SetChannelPids 0 a=0x672 v=0x671 p=0x671 flags=15",
                          "SetChannelPids 0 a=0x652 v=0x651 p=0x651 flags=23",
                          "SetChannelPids 0 a=0x652 v=0x651 p=0x651 flags=7"));
}

TEST_F(EngineTest, SwitchingToThePlayingChannelRunsTheStepsWithoutHistory) {
  StartOnAlpha();
  EXPECT_TRUE(engine.SwitchChannel(0, alpha, true));
  EXPECT_THAT(journal.Starting("Notify 5"), ElementsAre("Notify 5 256 0", "Notify 5 768 0"));
  EXPECT_TRUE(journal.Has("SetTeletextPid 0x653"));
  EXPECT_THAT(engine.Slot(0).History.Entries(), IsEmpty());
  EXPECT_EQ(engine.Slot(0).PreviousHandle, alpha);
}

TEST_F(EngineTest, OtherSlotsNeitherTuneNorTouchTeletext) {
  StartOnAlpha();
  EXPECT_TRUE(engine.SwitchChannel(1, alpha2, true));
  EXPECT_THAT(journal.lines,
              ElementsAre("Notify 5 256 1", "Log Set PIDs for Channel[1]",
                          "SetChannelPids 1 a=0x662 v=0x661 p=0x661 flags=23", "Log ",
                          "NotifyPlugins 1 0", "OpenOutput 1", "Notify 5 768 1", "Log "));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
}

TEST_F(EngineTest, AnOpenOutputIsNotOpenedAgain) {
  engine.Hooks().OutputOpen = [](int output) { return output == 0; };
  engine.SwitchChannel(0, alpha, true);
  EXPECT_FALSE(journal.Has("OpenOutput 0"));
}

TEST_F(EngineTest, HandlesThatNameNoChannelHaveNoEffect) {
  EXPECT_FALSE(engine.SwitchChannel(0, -1, true));
  EXPECT_FALSE(engine.SwitchChannel(0, 0, true));
  EXPECT_FALSE(engine.SwitchChannel(0, data::MakeChannelHandle(1, 99), true));
  EXPECT_FALSE(engine.SwitchChannel(0, data::MakeChannelHandle(7, 0), true));
  EXPECT_FALSE(engine.SwitchChannel(4, alpha, true));
  EXPECT_THAT(journal.lines, IsEmpty());
  EXPECT_EQ(engine.Slot(0).RequestedHandle, 0);
}

TEST_F(EngineTest, PluginProfileOfTheChannelFollowsTheSetting) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 104, "Profiled");
  rec.PlgProfile = 3;
  const std::int32_t profiled = root.AddChannel(1, rec);
  engine.SwitchChannel(0, profiled, true);
  EXPECT_TRUE(journal.Has("ApplyPluginProfile 3"));
  journal.Clear();
  frame::Options().General.ChanPlgProfile = false;
  engine.SwitchChannel(0, profiled, true);
  EXPECT_THAT(journal.Starting("ApplyPluginProfile"), IsEmpty());
}

TEST_F(EngineTest, ChannelWithoutTeletextGetsThePidThatMeansNone) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 105, "No text");
  rec.TtxPid = 0;
  engine.SwitchChannel(0, root.AddChannel(1, rec), true);
  EXPECT_THAT(journal.Starting("SetTeletextPid"),
              ElementsAre("SetTeletextPid 0x0", "SetTeletextPid 0x1FFF"));
  EXPECT_THAT(journal.Starting("TtxRestart"), IsEmpty());
}

TEST_F(EngineTest, VolumeIsTheOutputsVolumeScaledByTheChannel) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 106, "Loud");
  rec.VolAdj = 200;
  const std::int32_t loud = root.AddChannel(1, rec);
  rec = Channel(11778000, 'V', 27500, 107, "Quiet");
  rec.VolAdj = 50;
  const std::int32_t quiet = root.AddChannel(1, rec);
  TSlotSound sound{80, false};
  engine.Hooks().SlotSound = [&sound](int) { return std::optional<TSlotSound>(sound); };
  frame::Options().General.ChanVolAdjust = true;
  engine.SwitchChannel(0, quiet, true);
  engine.SwitchChannel(0, loud, true);
  sound.Muted = true;
  engine.SwitchChannel(0, loud, true);
  sound.Muted = false;
  frame::Options().General.ChanVolAdjust = false;
  engine.SwitchChannel(0, quiet, true);
  EXPECT_THAT(journal.Starting("AudioControl"), ElementsAre("AudioControl 0 1 flags=1 volume=40",
                                                            "AudioControl 0 1 flags=1 volume=100",
                                                            "AudioControl 0 1 flags=1 volume=0",
                                                            "AudioControl 0 1 flags=1 volume=80"));
  EXPECT_EQ(engine.Slot(0).VolumeFactor, 100);
}

TEST_F(EngineTest, PictureSettingsOfTheSlotGoToTheDevice) {
  engine.Hooks().SlotPicture = [](int slot) {
    PictureRecord picture{};
    picture.Flags = QEV_PICTURE_BRIGHTNESS;
    picture.Values[0] = static_cast<std::uint8_t>(100 + slot);
    return std::optional<PictureRecord>(picture);
  };
  engine.SwitchChannel(1, alpha, true);
  EXPECT_THAT(journal.Starting("PictureControl"),
              ElementsAre("PictureControl 1 1 flags=1 brightness=101"));
}

// The guard.

class GuardTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    StartOnAlpha();
    engine.Hooks().RecordingActive = [this] { return recording; };
    engine.Hooks().SlotRecorded = [this](int slot) { return slot == recordedSlot; };
    engine.Hooks().ChildLockActive = [this] { return childLock; };
  }
  qev::test::ScriptedPresenter boxes;
  bool recording = true;
  int recordedSlot = 0;
  bool childLock = false;
};

TEST_F(GuardTest, RecordedSlotRefusesAnyChangeWithItsText) {
  EXPECT_FALSE(engine.SwitchChannel(0, alpha2, true));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].text, "Cannot change channel while recording...");
  EXPECT_THAT(journal.lines, IsEmpty());
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  // The refused target stays as the pending one.
  EXPECT_EQ(engine.Slot(0).RequestedHandle, alpha2);
  EXPECT_EQ(data::ChName(engine.Slot(0).PendingChannel), "Alpha Two");
}

TEST_F(GuardTest, OtherSlotsMayOnlyStayOnTheRecordedTransponder) {
  EXPECT_FALSE(engine.SwitchChannel(1, charlie, true));
  EXPECT_FALSE(engine.SwitchChannel(1, delta, true));
  EXPECT_THAT(boxes.Texts(), ElementsAre("Cannot change sat/transponder while recording...",
                                         "Cannot change sat/transponder while recording..."));
  EXPECT_TRUE(engine.SwitchChannel(1, alpha2, true));
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(GuardTest, RefusalsAreSilentWithoutMessages) {
  EXPECT_FALSE(engine.SwitchChannel(0, alpha2, false));
  EXPECT_FALSE(engine.SwitchChannel(1, charlie, false));
  EXPECT_FALSE(engine.CanSwitch(1, false));
  EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(GuardTest, WithoutRecordingEverySwitchIsAllowed) {
  recording = false;
  EXPECT_TRUE(engine.SwitchChannel(1, charlie, true));
  EXPECT_TRUE(engine.SwitchChannel(0, delta, true));
  EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(GuardTest, ChildLockedChannelIsRefusedWithoutMessageOrNotification) {
  recording = false;
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 108, "Locked");
  rec.ChildLock = 1;
  const std::int32_t locked = root.AddChannel(1, rec);
  childLock = true;
  EXPECT_FALSE(engine.SwitchChannel(0, locked, true));
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_THAT(journal.lines, IsEmpty());
  childLock = false;
  EXPECT_TRUE(engine.SwitchChannel(0, locked, true));
}

TEST_F(GuardTest, SwitchAndRecordShowsNoMessageAndRecordsOnlyWhatItSwitched) {
  EXPECT_FALSE(engine.SwitchAndRecord(0, alpha2, 30));
  EXPECT_THAT(boxes.shown, IsEmpty());
  recording = false;
  EXPECT_TRUE(engine.SwitchAndRecord(1, charlie, 30));
  EXPECT_THAT(journal.Starting("StartRecording"), ElementsAre("StartRecording 1 30"));
  EXPECT_EQ(journal.lines.back(), "StartRecording 1 30");
}

// Notifications of a switch.

TEST_F(EngineTest, EndOfSwitchIsAnnouncedAlsoAfterAnError) {
  StartOnAlpha();
  engine.Hooks().NotifyPlugins = [](int, bool) { throw std::runtime_error("plugin failed"); };
  EXPECT_FALSE(engine.SwitchChannel(0, charlie, true));
  EXPECT_THAT(journal.Starting("Notify 5"),
              ElementsAre("Notify 5 256 0", "Notify 5 512 0", "Notify 5 768 0"));
  EXPECT_EQ(journal.lines.back(), "Log ");
  // As far as it got: the channel was taken and its PIDs set.
  EXPECT_EQ(engine.Slot(0).CurrentHandle, charlie);
  EXPECT_FALSE(journal.Has("OpenOutput 0"));
}

// History.

TEST_F(EngineTest, HistoryTextCarriesTimeIconSatelliteAndTrimmedName) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 109, "  Padded  ");
  rec.Encrypted = 1;
  const std::int32_t padded = root.AddChannel(1, rec);
  engine.SwitchChannel(0, padded, true);
  engine.SwitchChannel(0, alpha, true);
  ASSERT_EQ(engine.Slot(0).History.Entries().size(), 1u);
  // TV (4) scrambled (+3).
  EXPECT_EQ(engine.Slot(0).History.Entries()[0].Text, "312359507(Astra) Padded");
  EXPECT_EQ(engine.Slot(0).History.Entries()[0].Handle, padded);
}

TEST_F(EngineTest, HistoryOfAChannelWhoseSatelliteIsGoneSaysNoSat) {
  engine.SwitchChannel(0, delta, true);
  ASSERT_TRUE(root.sats.SatDelete(0)); // Hotbird sorts first (13.0E)
  engine.SwitchChannel(0, alpha, true);
  ASSERT_EQ(engine.Slot(0).History.Entries().size(), 1u);
  EXPECT_EQ(engine.Slot(0).History.Entries()[0].Text, "312359504(<NoSat>) Delta");
}

TEST_F(EngineTest, HistoryKeepsTheLastTenChannelsLeft) {
  std::vector<std::int32_t> handles;
  for (int i = 0; i < 12; ++i)
    handles.push_back(
        root.AddChannel(1, Channel(11778000, 'V', 27500, static_cast<std::uint16_t>(500 + i),
                                   "Ch " + std::to_string(i))));
  for (const std::int32_t h : handles) {
    engine.SwitchChannel(0, h, true);
    AdvanceSeconds(1);
  }
  const auto &entries = engine.Slot(0).History.Entries();
  ASSERT_EQ(entries.size(), 10u);
  for (std::size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(entries[i].Handle, handles[i + 1]);
}

TEST_F(EngineTest, HistorySkipsRecordsWithoutFrequencyOrService) {
  data::TChannelRec rec = Channel(11778000, 'V', 27500, 0, "No service");
  const std::int32_t noService = root.AddChannel(1, rec);
  engine.SwitchChannel(0, noService, true);
  engine.SwitchChannel(0, alpha, true);
  EXPECT_THAT(engine.Slot(0).History.Entries(), IsEmpty());
}

TEST_F(EngineTest, HistoryIsOrderedByTimeAcrossAMonthBoundary) {
  engine.SwitchChannel(0, alpha, true);
  engine.SwitchChannel(0, alpha2, true); // leaves alpha on the 31st, 23:59:50
  AdvanceSeconds(5);
  engine.SwitchChannel(0, charlie, true); // leaves alpha2 at 23:59:55
  AdvanceSeconds(15);
  engine.SwitchChannel(0, alpha2, true); // leaves charlie on the 1st, 00:00:10
  AdvanceSeconds(20);
  engine.SwitchChannel(0, alpha, true); // leaves alpha2 again at 00:00:30
  const auto &entries = engine.Slot(0).History.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Text, "312359504(Astra) Alpha");
  EXPECT_EQ(entries[1].Text, "010000104(Astra) Charlie");
  EXPECT_EQ(entries[2].Text, "010000304(Astra) Alpha Two");
}

TEST_F(EngineTest, EachSlotHasItsOwnHistory) {
  engine.SwitchChannel(1, alpha, true);
  engine.SwitchChannel(1, alpha2, true);
  EXPECT_EQ(engine.Slot(1).History.Entries().size(), 1u);
  EXPECT_THAT(engine.Slot(0).History.Entries(), IsEmpty());
}

// Last channel.

TEST_F(EngineTest, Slot0RemembersItsChannelByTheChannelsSatellite) {
  StartOnAlpha();
  // A scan may have loaded another satellite meanwhile.
  data::TSatRec hotbird{};
  ASSERT_TRUE(root.sats.SatGet(2, hotbird));
  loaded.Load(hotbird);
  engine.SwitchChannel(0, alpha2, true);
  EXPECT_EQ(last.Get(1), alpha2);
  EXPECT_EQ(last.Get(2), -1);
  EXPECT_EQ(frame::Options().StartUp.LastChannel, alpha2);
  engine.SwitchChannel(1, charlie, true);
  EXPECT_EQ(last.Get(1), alpha2);
  EXPECT_EQ(frame::Options().StartUp.LastChannel, alpha2);
}

TEST_F(EngineTest, SatelliteWithoutALastChannelSwitchesNothing) {
  EXPECT_FALSE(engine.SwitchToSatellite(2));
  EXPECT_THAT(journal.lines, IsEmpty());
  last.Set(2, delta);
  EXPECT_TRUE(engine.SwitchToSatellite(2));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, delta);
}

// A switch asked for while another one pumps messages.

TEST_F(EngineTest, SwitchAskedForDuringATuneWaitsAndTheLastOneWins) {
  StartOnAlpha();
  std::vector<bool> nestedResults;
  tuner.duringTune = [&] {
    tuner.duringTune = nullptr;
    nestedResults.push_back(engine.SwitchChannel(0, delta, true));
    nestedResults.push_back(engine.SwitchChannel(0, alpha2, true));
  };
  EXPECT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_THAT(nestedResults, ElementsAre(false, false));
  // The running switch finished on its own target before the waiting one ran.
  EXPECT_THAT(journal.Starting("SetChannelPids"),
              ElementsAre("SetChannelPids 0 a=0xC92 v=0xC91 p=0xC91 flags=23",
                          "SetChannelPids 0 a=0x662 v=0x661 p=0x661 flags=23"));
  EXPECT_THAT(journal.Starting("Notify 5"),
              ElementsAre("Notify 5 256 0", "Notify 5 512 0", "Notify 5 768 0", "Notify 5 256 0",
                          "Notify 5 512 0", "Notify 5 768 0"));
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha2);
  EXPECT_EQ(engine.Slot(0).PreviousHandle, charlie);
  EXPECT_THAT(journal.Starting("Tune"), ElementsAre("Tune 12188000 H 22000 wait=0 satChanged=0",
                                                    "Tune 11778000 V 27500 wait=0 satChanged=0"));
}

TEST_F(EngineTest, WaitingRequestsOfDifferentSlotsRunInTheirOrder) {
  StartOnAlpha();
  std::vector<bool> nestedResults;
  tuner.duringTune = [&] {
    tuner.duringTune = nullptr;
    nestedResults.push_back(engine.SwitchChannel(1, charlie, true));
    nestedResults.push_back(engine.SwitchAndRecord(2, charlie, 45));
  };
  EXPECT_TRUE(engine.SwitchChannel(0, charlie, true));
  EXPECT_THAT(nestedResults, ElementsAre(false, false));
  EXPECT_THAT(journal.Starting("Notify 5 768"),
              ElementsAre("Notify 5 768 0", "Notify 5 768 1", "Notify 5 768 2"));
  EXPECT_EQ(engine.Slot(1).CurrentHandle, charlie);
  EXPECT_EQ(engine.Slot(2).CurrentHandle, charlie);
  // The recording starts once its own switch is done.
  EXPECT_EQ(journal.lines.back(), "StartRecording 2 45");
}

} // namespace
} // namespace qev::device::test
