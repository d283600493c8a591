#include "ui/main_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace qev::ui {
namespace {

// Writes every action into a list of lines; volumes, open outputs and targets are set by the
// test.
class FakeActions final : public IMainActions {
public:
  void StepChannel(int slot, int direction) override {
    Add("Step " + std::to_string(slot) + " " + std::to_string(direction));
  }
  int Volume(int slot) override { return volume[slot]; }
  void SetVolume(int slot, int value) override {
    volume[slot] = value;
    Add("Volume " + std::to_string(slot) + " " + std::to_string(value));
  }
  void ToggleMute(int slot) override { Add("Mute " + std::to_string(slot)); }
  bool OutputOpen(int output) override { return open[output]; }
  void OpenPip() override { Add("OpenPip"); }
  void SetVideoState(int output, int request) override {
    if (throwOnState)
      throw std::runtime_error("broken output");
    Add("State " + std::to_string(output) + " " + std::to_string(request));
  }
  int FocusedOutput() override { return focused; }
  int PipOutput() override { return pip; }
  void PipSelectNext() override { Add("PipSelectNext"); }
  void PipCyclePosition() override { Add("PipCyclePosition"); }
  void PipCycleSize() override { Add("PipCycleSize"); }
  void CloseMainWindow() override { Add("Close"); }
  void ClearSleepTimer() override { Add("ClearSleep"); }
  void RecordToggleSlot0(bool ask) override { Add(ask ? "Record ask" : "Record"); }
  void ShowReception(int slot, bool audio, bool video) override {
    Add("Reception " + std::to_string(slot) + (audio ? " A" : " -") + (video ? "V" : "-"));
  }
  void SubtitlePagesChanged() override { Add("SubtitlePages"); }

  void Add(std::string line) { lines.push_back(std::move(line)); }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }

  std::vector<std::string> lines;
  std::array<int, 2> volume{50, 50};
  std::array<bool, 6> open{};
  int focused = 0;
  int pip = kNoOutput;
  bool throwOnState = false;
};

using Lines = std::vector<std::string>;

class MainCommandsTest : public ::testing::Test {
protected:
  Lines Run(int command, std::intptr_t argument = 0, bool repeat = false) {
    commands.Dispatch(kCommandMessage, command, argument, repeat);
    return actions.Take();
  }
  Lines RunOutput(int command, std::intptr_t output) {
    commands.Dispatch(kOutputCommandMessage, command, output);
    return actions.Take();
  }

  FakeActions actions;
  TMainCommands commands{actions};
};

TEST_F(MainCommandsTest, ChannelAndMuteCommandsReachTheirSlot) {
  EXPECT_EQ(Run(kCmdChannelNext), Lines{"Step 0 1"});
  EXPECT_EQ(Run(kCmdChannelPrev), Lines{"Step 0 -1"});
  EXPECT_EQ(Run(kCmdPipChannelNext), Lines{"Step 1 1"});
  EXPECT_EQ(Run(kCmdPipChannelPrev), Lines{"Step 1 -1"});
  EXPECT_EQ(Run(kCmdMute), Lines{"Mute 0"});
  EXPECT_EQ(Run(kCmdPipMute), Lines{"Mute 1"});
}

TEST_F(MainCommandsTest, VolumeStepsByFiveWithinZeroToHundred) {
  actions.volume = {98, 3};
  EXPECT_EQ(Run(kCmdVolumeUp), Lines{"Volume 0 100"});
  EXPECT_EQ(Run(kCmdVolumeUp), Lines{"Volume 0 100"});
  EXPECT_EQ(Run(kCmdVolumeDown), Lines{"Volume 0 95"});
  EXPECT_EQ(Run(kCmdPipVolumeDown), Lines{"Volume 1 0"});
  EXPECT_EQ(Run(kCmdPipVolumeUp), Lines{"Volume 1 5"});
}

TEST_F(MainCommandsTest, ARepeatingKeyRunsOnlyTheMainVolumeAgain) {
  actions.volume = {50, 50};
  EXPECT_EQ(Run(kCmdVolumeUp, 0, true), Lines{"Volume 0 55"});
  EXPECT_EQ(Run(kCmdVolumeDown, 0, true), Lines{"Volume 0 50"});
  for (const int command :
       {kCmdChannelNext, kCmdChannelPrev, kCmdMute, kCmdPipChannelNext, kCmdPipShowHide,
        kCmdToggleFullScreen, kCmdCloseApplication, kCmdRecord, kCmdClearSleepTimer})
    EXPECT_TRUE(Run(command, 0, true).empty()) << std::hex << command;
}

TEST_F(MainCommandsTest, ShowHideClosesAnOpenPipAndOpensAClosedOne) {
  EXPECT_EQ(Run(kCmdPipShowHide), Lines{"OpenPip"});
  actions.open[1] = true;
  EXPECT_EQ(Run(kCmdPipShowHide), Lines{"State 1 0"});
}

TEST_F(MainCommandsTest, ScreenCommandsActOnTheFocusedAndThePipOutput) {
  actions.focused = 2;
  EXPECT_EQ(Run(kCmdToggleFullScreen), Lines{"State 2 4"});
  EXPECT_TRUE(Run(kCmdPipFullScreen).empty()) << "no picture-in-picture target";
  actions.pip = 3;
  EXPECT_EQ(Run(kCmdPipFullScreen), Lines{"State 3 4"});
  EXPECT_EQ(Run(kCmdPipSelectNext), Lines{"PipSelectNext"});
  EXPECT_EQ(Run(kCmdPipCyclePos), Lines{"PipCyclePosition"});
  EXPECT_EQ(Run(kCmdPipCycleSize), Lines{"PipCycleSize"});
}

TEST_F(MainCommandsTest, WindowModeTakesOutputFromHighByteAndModeFromLowNibble) {
  EXPECT_EQ(Run(kCmdWindowMode, 0x0103), Lines{"State 1 3"});
  EXPECT_EQ(Run(kCmdWindowMode, 0x0412), Lines{"State 4 2"}) << "mode is the argument mod 16";
  EXPECT_EQ(Run(kCmdWindowMode, 0x0001), Lines{"State 0 1"});
  EXPECT_TRUE(Run(kCmdWindowMode, 0x0602).empty());
  EXPECT_TRUE(Run(kCmdWindowMode, -0x0102).empty());
}

TEST_F(MainCommandsTest, ProgramCommandsAndIndicators) {
  EXPECT_EQ(Run(kCmdCloseApplication), Lines{"Close"});
  EXPECT_EQ(Run(kCmdClearSleepTimer), Lines{"ClearSleep"});
  EXPECT_EQ(Run(kCmdRecord), Lines{"Record"}) << "the record command never asks";
  EXPECT_EQ(Run(kCmdReception, 0x13), Lines{"Reception 0 AV"});
  EXPECT_EQ(Run(kCmdReception, 0x21), Lines{"Reception 1 A-"});
  EXPECT_EQ(Run(kCmdReception, 0x12), Lines{"Reception 0 -V"});
  EXPECT_EQ(Run(kCmdReception, 0x20), Lines{"Reception 1 --"});
  EXPECT_TRUE(Run(kCmdReception, 0x33).empty());
  EXPECT_EQ(Run(kCmdSubtitlePages), Lines{"SubtitlePages"});
}

TEST_F(MainCommandsTest, UnknownCodesAndMessagesDoNothing) {
  for (const int command : {0, 0x1006, 0x1007, 0x2007, 0x3003, 0x7002, 0x7005, 0x8003, 0xF002})
    EXPECT_FALSE(commands.Dispatch(kCommandMessage, command, 0)) << std::hex << command;
  EXPECT_FALSE(commands.Dispatch(0x487A, kCmdChannelNext, 0));
  EXPECT_TRUE(actions.Take().empty());
}

TEST_F(MainCommandsTest, OutputCommandsAddressOneOutput) {
  EXPECT_EQ(RunOutput(kOutChannelNext, 0), Lines{"Step 0 1"});
  EXPECT_EQ(RunOutput(kOutChannelPrev, 1), Lines{"Step 1 -1"});
  EXPECT_TRUE(RunOutput(kOutChannelNext, 2).empty()) << "only outputs 0 and 1 have trees";
  EXPECT_EQ(RunOutput(kOutFloating, 3), Lines{"State 3 2"});
  EXPECT_EQ(RunOutput(kOutToggleFullScreen, 4), Lines{"State 4 4"});
  EXPECT_EQ(RunOutput(kOutLeaveFloating, 5), Lines{"State 5 5"});
  EXPECT_EQ(RunOutput(kOutClose, 2), Lines{"State 2 0"});
  EXPECT_EQ(RunOutput(kOutPipFloating, 0), Lines{"State 1 2"});
  EXPECT_EQ(RunOutput(kOutCloseApplication, 0), Lines{"Close"});
}

TEST_F(MainCommandsTest, OutputCommandsOutsideTheSixOutputsAreIgnored) {
  for (const int output : {-1, 6, 255, 0x10000}) {
    EXPECT_FALSE(commands.Dispatch(kOutputCommandMessage, kOutClose, output));
    EXPECT_FALSE(commands.Dispatch(kOutputCommandMessage, kOutCloseApplication, output));
  }
  EXPECT_TRUE(actions.Take().empty());
}

TEST_F(MainCommandsTest, AFailingOutputCommandIsSwallowed) {
  actions.throwOnState = true;
  EXPECT_NO_THROW(commands.Dispatch(kOutputCommandMessage, kOutClose, 1));
  actions.throwOnState = false;
  EXPECT_EQ(RunOutput(kOutClose, 1), Lines{"State 1 0"}) << "the next command still runs";
}

} // namespace
} // namespace qev::ui
