#include "recording/recorder_fixture.h"

#include "recording/record_texts.h"
#include "support/wait_until.h"

namespace qev::recording::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kAv0 = 0x13;

TEST_F(RecorderTest, AChannelRecordingRunsTheAutomaticListAndIsAnnounced) {
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, true));
  EXPECT_EQ(source_.Running(),
            (std::vector<TRecordPid>{{0x100, kAv0}, {0x101, kAv0}, {0x20, 188}}));
  EXPECT_TRUE(recorder.RecIsActive());
  EXPECT_TRUE(recorder.RecIsAvSlotActive(0));
  EXPECT_FALSE(recorder.RecIsAvSlotActive(1));
  EXPECT_FALSE(recorder.RecIsAvSlotActive(7));
  EXPECT_EQ(Notes(), (std::vector<std::intptr_t>{1}));
  EXPECT_EQ(Reasons(), (std::vector<std::pair<int, bool>>{{0, true}}));

  const auto view = recorder.Slots()[0];
  EXPECT_EQ(view.State, kRecRunning);
  EXPECT_EQ(view.Title, "QEV One");
  EXPECT_EQ(view.Extension, ".ts");
  EXPECT_EQ(view.FileName, view.BaseName + ".ts");
  EXPECT_NE(view.BaseName.find(" QEV One"), std::string::npos);

  recorder.RecStopSlot(0);
  EXPECT_FALSE(recorder.RecIsActive());
  EXPECT_TRUE(source_.Running().empty());
  EXPECT_EQ(Notes(), (std::vector<std::intptr_t>{1, 0}));
  EXPECT_EQ(Reasons(), (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));
  EXPECT_EQ(recorder.Slots()[0].State, kRecFree);
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(RecorderTest, ARefusedFilterRollsTheStartBack) {
  source_.Refused.insert(0x101);
  TRecorder &recorder = Recorder();
  EXPECT_FALSE(recorder.RecStartChannel(TestChannel(), 0, 0, true));
  EXPECT_EQ(presenter_.Texts(), (std::vector<std::string>{"Error starting stream record. PID=??"}));
  EXPECT_EQ(source_.Started(), 2);
  EXPECT_TRUE(source_.Running().empty()); // the video filter started first was stopped
  EXPECT_TRUE(Files().empty());           // the new file was deleted
  EXPECT_FALSE(recorder.RecIsActive());
  EXPECT_EQ(recorder.Slots()[0].State, kRecFree);
  EXPECT_TRUE(Notes().empty());
  source_.Refused.clear();
  EXPECT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, true)); // the slot is free again
}

TEST_F(RecorderTest, RefusalsReachTheUserWithTheirTexts) {
  TRecorder &recorder = Recorder();
  for (int i = 0; i < kRecordSlots; ++i)
    ASSERT_TRUE(recorder.RecStartPid(static_cast<std::uint16_t>(0x200 + i), "", ""));
  EXPECT_FALSE(recorder.RecStartPid(0x300, "", ""));
  EXPECT_FALSE(recorder.RecStartChannel(TestChannel(), 0, 0, false));
  EXPECT_EQ(presenter_.Texts(),
            (std::vector<std::string>{"No more record slots..", "No more record slots.."}));
  recorder.RecStopAll();

  presenter_.shown.clear();
  data::TChannelRec nothing = TestChannel();
  nothing.VidPid = nothing.AudPid = nothing.PcrPid = nothing.PmtPid = 0x1FFF;
  nothing.EsCount = 0;
  EXPECT_FALSE(recorder.RecStartChannel(nothing, 0, 0, false));
  EXPECT_FALSE(recorder.RecStartChannel(TestChannel(""), 0, 0, false)); // silently
  EXPECT_EQ(presenter_.Texts(),
            (std::vector<std::string>{"No recording information (empty PIDs list)..."}));

  presenter_.shown.clear();
  options_.DestDirectory = (dir_ / "file").string();
  std::ofstream(dir_ / "file") << "x";
  EXPECT_FALSE(recorder.RecStartPid(0x200, "", ""));
  EXPECT_EQ(presenter_.Texts(), (std::vector<std::string>{"Cannot create REC file !"}));
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_FALSE(recorder.RecIsActive());
}

TEST_F(RecorderTest, DialogsDecideAndACancelFreesTheSlotSilently) {
  dialogs_.emplace();
  options_.AskBeforeRec = true;
  dialogs_->Answer = false;
  TRecorder &recorder = Recorder();
  EXPECT_FALSE(recorder.RecStartChannel(TestChannel(), 0, 0, true));
  EXPECT_FALSE(recorder.RecStartPid(0x200, "", ""));
  EXPECT_EQ(dialogs_->Asked, 2);
  EXPECT_EQ(recorder.Slots()[0].State, kRecFree);
  EXPECT_TRUE(presenter_.shown.empty());

  dialogs_->Answer = true;
  EXPECT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, false)); // no asking allowed
  EXPECT_EQ(dialogs_->Asked, 2);
  dialogs_->Mode = 1;
  ASSERT_TRUE(recorder.RecStartPid(0x200, "", "Teletext"));
  const auto view = recorder.Slots()[1];
  EXPECT_EQ(view.Title, "PID-0x0200");
  EXPECT_EQ(view.Extension, ".184");
  EXPECT_NE(view.BaseName.find("PID-0x0200 (Teletext)"), std::string::npos);
  EXPECT_EQ(view.Pids, (std::vector<TRecordPid>{{0x200, 1}}));
}

TEST_F(RecorderTest, AFullTsRecordingTakesEveryPacketAsItCame) {
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartPid(kFullTsPid, "FTS-11778V", "ignored"));
  const Bytes a = Packets(0, 3), b = Packets(0x100, 5);
  source_.Deliver(0, a);
  source_.Deliver(0x100, b);
  const auto view = recorder.Slots()[0];
  EXPECT_EQ(view.Title, "FTS-11778V");
  EXPECT_EQ(view.TotalBytes, static_cast<std::int64_t>(a.size() + b.size()));
  recorder.RecStopAll();
  Bytes expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(ReadAll(view.FirstFile), expected);
}

TEST_F(RecorderTest, ASizeLimitEndsTheRecordingAfterTheBlockThatReachesIt) {
  dialogs_.emplace();
  dialogs_->Limits.StopAfterBytes = 3 * 188 + 1;
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartPid(0x200, "", ""));
  const std::string file = recorder.Slots()[0].FirstFile;
  for (int i = 0; i < 6; ++i)
    source_.Deliver(0x200, Packets(0x200, 1, i));
  ASSERT_TRUE(qev::test::WaitUntil([&] { return !recorder.RecIsActive(); }));
  EXPECT_EQ(ReadAll(file).size(), 4u * 188);
  EXPECT_EQ(Notes(), (std::vector<std::intptr_t>{1, 0}));
}

TEST_F(RecorderTest, ATimeLimitRunsOnTheSteadyClock) {
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 1, 1, false));
  EXPECT_EQ(recorder.Slots()[0].Limits.StopAfterSeconds, 60u);
  Advance(59'900ms);
  std::this_thread::sleep_for(250ms); // the watch thread looks twice
  EXPECT_TRUE(recorder.RecIsActive());
  const auto view = recorder.Slots()[0];
  EXPECT_EQ(RecElapsedText(view), "00:00:59");
  EXPECT_EQ(RecRemainingText(view), "00:00:01");
  Advance(100ms);
  EXPECT_TRUE(qev::test::WaitUntil([&] { return !recorder.RecIsActive(); }));
  EXPECT_EQ(Reasons(), (std::vector<std::pair<int, bool>>{{1, true}, {1, false}}));
}

TEST_F(RecorderTest, MinutesAreClampedAndTheStopEditorChangesTheLimit) {
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 0, -5, false));
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 1, std::numeric_limits<int>::max(), false));
  EXPECT_EQ(recorder.Slots()[0].Limits.StopAfterSeconds, 0u);
  EXPECT_EQ(recorder.Slots()[1].Limits.StopAfterSeconds % 60, 0u);
  EXPECT_GT(recorder.Slots()[1].Limits.StopAfterSeconds, 4'000'000'000u);
  EXPECT_EQ(RecRemainingText(recorder.Slots()[0]), "---");

  EXPECT_TRUE(recorder.SetStopAfterSeconds(0, 30));
  EXPECT_FALSE(recorder.SetStopAfterSeconds(5, 30));
  EXPECT_FALSE(recorder.SetStopAfterSeconds(9, 30));
  Advance(30s);
  EXPECT_TRUE(qev::test::WaitUntil([&] { return !recorder.RecIsAvSlotActive(0); }));
  EXPECT_TRUE(recorder.RecIsAvSlotActive(1));
}

TEST_F(RecorderTest, StoppingAnAvSlotLeavesTheOthersRunning) {
  TRecorder &recorder = Recorder();
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 0, 0, false));
  ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), 1, 0, false));
  ASSERT_TRUE(recorder.RecStartPid(0x200, "", ""));
  recorder.RecStopAvSlot(0);
  const auto slots = recorder.Slots();
  EXPECT_EQ(slots[0].State, kRecFree);
  EXPECT_EQ(slots[1].State, kRecRunning);
  EXPECT_EQ(slots[2].State, kRecRunning);
  EXPECT_EQ(slots[2].AvSlot, 255);
  recorder.RecStopSlot(8); // ignored
  EXPECT_TRUE(recorder.RecIsActive());
}

TEST_F(RecorderTest, AFullDiskStopsTheRecordingWithWholePacketsKept) {
  TFaultyFiles files;
  files.FailAfterBytes = 10 * 188 + 50;
  TRecorder &recorder = Recorder(&files);
  ASSERT_TRUE(recorder.RecStartPid(0x200, "", ""));
  const std::string file = recorder.Slots()[0].FirstFile;
  for (int i = 0; i < 20; ++i)
    source_.Deliver(0x200, Packets(0x200, 2, 2 * i));
  ASSERT_TRUE(qev::test::WaitUntil([&] { return !recorder.RecIsActive(); }));
  EXPECT_EQ(ReadAll(file).size(), 10u * 188);
  EXPECT_EQ(Notes(), (std::vector<std::intptr_t>{1, 0}));
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find("No space left"), std::string::npos) << Errors()[0];
}

TEST_F(RecorderTest, DurationTextsDoNotWrapAfterADay) {
  EXPECT_EQ(RecDurationText(std::chrono::seconds(25 * 3600 + 61)), "25:01:01");
  EXPECT_EQ(RecDurationText(std::chrono::seconds(-5)), "00:00:00");
  TRecordSlotView view;
  view.Limits.StopAfterSeconds = 100;
  view.Elapsed = std::chrono::seconds(130); // late by the watch period: never negative
  EXPECT_EQ(RecRemainingText(view), "00:00:00");
}

TEST(RecordFolder, RecordsUnderAWritableRootElseTheVideosFolder) {
  qev::test::TTempDir root("qev_record_root");
  EXPECT_EQ(DefaultRecordFolder(root.Path()), root.Path() / "Records");
  if (::geteuid() == 0)
    GTEST_SKIP() << "root writes everywhere";
  std::filesystem::permissions(root.Path(), std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_exec);
  ::setenv("XDG_VIDEOS_DIR", "/videos", 1);
  EXPECT_EQ(DefaultRecordFolder(root.Path()), std::filesystem::path("/videos/QEV-DVB"));
  ::unsetenv("XDG_VIDEOS_DIR");
  std::filesystem::permissions(root.Path(), std::filesystem::perms::owner_all);
}

} // namespace
} // namespace qev::recording::test
