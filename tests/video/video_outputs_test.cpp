#include "support/temp_dir.h"
#include "video/video_outputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace qev::video {
namespace {

namespace fs = std::filesystem;
constexpr std::uintptr_t kMain = 100;
std::uintptr_t FloatPanel(int index) { return 200 + index; }

struct FakePlayback : IVideoPlayback {
  std::vector<std::string> calls;
  std::map<int, bool> running;
  bool failStart = false;
  SoundRecord lastSound{};
  PictureRecord picture{0x0F, {'V', 'M', 'R', '9'}, {1, 2, 3, 4, 5, 6}};
  std::vector<PictureRecord> picturesSet;

  std::uintptr_t Start(int index, std::uintptr_t owner) override {
    calls.push_back("Start" + std::to_string(index) + "@" + std::to_string(owner));
    if (failStart)
      return 0;
    running[index] = true;
    return 1000 + index;
  }
  std::uintptr_t Move(int index, std::uintptr_t owner) override {
    calls.push_back("Move" + std::to_string(index) + "@" + std::to_string(owner));
    return running[index] ? 1000 + index : 0;
  }
  void SetRect(int index, const TVideoRect &) override {
    calls.push_back("Rect" + std::to_string(index));
  }
  void SetOption(int index, int option, int value) override { options[{index, option}] = value; }
  std::map<std::pair<int, int>, int> options;
  void Stop(int index) override {
    calls.push_back("Stop" + std::to_string(index));
    running[index] = false;
  }
  bool Sound(int, bool set, SoundRecord &sound) override {
    if (set)
      lastSound = sound;
    return true;
  }
  bool Picture(int, bool set, PictureRecord &p) override {
    if (set)
      picturesSet.push_back(p);
    else
      p = picture;
    return true;
  }
  std::string Error(int) override { return ""; }
};

struct FakeWindows : IVideoWindows {
  std::map<std::uintptr_t, TVideoRect> rects;
  std::map<std::uintptr_t, std::string> messages;
  std::map<int, bool> shown, fullScreen;
  TVideoSize size{1000, 500};

  std::uintptr_t MainPanel() override { return kMain; }
  std::uintptr_t FloatingPanel(int index) override { return FloatPanel(index); }
  TVideoSize PanelSize(std::uintptr_t) override { return size; }
  void SetPictureRect(std::uintptr_t panel, const TVideoRect &rect) override {
    rects[panel] = rect;
  }
  void ShowFloating(int index, bool full) override {
    shown[index] = true;
    fullScreen[index] = full;
  }
  void HideFloating(int index) override { shown[index] = false; }
  void SetFullScreen(int index, bool full) override { fullScreen[index] = full; }
  void RaiseFloating(int) override {}
  void MarkActive(int) override {}
  void ShowMessage(std::uintptr_t panel, const TVideoMessage &m) override {
    messages[panel] = m.Text;
  }
  void HideMessage(std::uintptr_t panel) override { messages.erase(panel); }
  void ProcessMessages() override {}
};

class VideoOutputsTest : public ::testing::Test {
protected:
  TVideoContext Context() {
    TVideoContext c;
    c.Notify = [this](int first, std::intptr_t value) { notes.push_back({first, value}); };
    c.OverscanPixels = [this] { return overscan; };
    c.Video0Disabled = [this] { return video0Disabled; };
    c.ChanVolAdjust = [this] { return adjust; };
    c.VolumeFactor = [this](int) { return factor; };
    c.ConfigFile = [this] { return config.string(); };
    return c;
  }

  test::TTempDir dir{"qev_video_"};
  fs::path config = dir / "VideoWin.cfg";
  int overscan = 0;
  bool video0Disabled = false;
  bool adjust = false;
  int factor = 100;
  std::vector<std::pair<int, std::intptr_t>> notes;
  FakePlayback playback;
  FakeWindows windows;
  TVideoOutputs outputs{playback, windows, Context()};
};

TEST_F(VideoOutputsTest, EmbeddingAv1DisplacesAv0WhichComesBackWhenAv1Closes) {
  outputs.SetVideoState(0, kEmbedded, false);
  ASSERT_EQ(outputs.State(0), kEmbedded);
  EXPECT_EQ(outputs.Embedded(), 0);
  EXPECT_EQ(windows.rects[kMain], (TVideoRect{0, 0, 1000, 500}));

  outputs.SetVideoState(1, kEmbedded, false);
  EXPECT_EQ(outputs.State(0), kClosed);
  EXPECT_EQ(outputs.State(1), kEmbedded);
  EXPECT_EQ(outputs.Embedded(), 1);
  EXPECT_EQ(outputs.HadToLeave(), 0);

  outputs.SetVideoState(1, kClosed, false);
  EXPECT_EQ(outputs.State(1), kClosed);
  EXPECT_EQ(outputs.State(0), kEmbedded);
  EXPECT_EQ(outputs.Embedded(), 0);
  // Cleared once reopened: a later close of AV1 elsewhere leaves AV0 alone.
  EXPECT_EQ(outputs.HadToLeave(), kNoVideo);
  outputs.SetVideoState(1, kFloating, false);
  outputs.SetVideoState(1, kClosed, false);
  EXPECT_EQ(outputs.State(0), kEmbedded);
}

TEST_F(VideoOutputsTest, ForcedFloatOfAnotherVideoLeavesTheEmbeddedOneAlone) {
  outputs.SetVideoState(0, kEmbedded, false);
  outputs.SetVideoState(1, kFloating, true);
  EXPECT_EQ(outputs.State(0), kEmbedded);
  EXPECT_EQ(outputs.State(1), kFloating);
  EXPECT_EQ(outputs.ActiveFloating(), 1);
  EXPECT_TRUE(windows.shown[1]);
  EXPECT_EQ(windows.rects[FloatPanel(1)], (TVideoRect{0, 0, 1000, 500}));
  outputs.SetVideoState(1, kFullScreen, true);
  EXPECT_EQ(outputs.State(0), kEmbedded);
}

TEST_F(VideoOutputsTest, AVideoThatLeftTheMainWindowIsNotDisplacedByTheNextEmbedding) {
  outputs.SetVideoState(1, kEmbedded, false);
  outputs.SetVideoState(1, kFloating, false);
  EXPECT_EQ(outputs.Embedded(), kNoVideo);
  outputs.SetVideoState(2, kEmbedded, false);
  EXPECT_EQ(outputs.State(1), kFloating);
  EXPECT_EQ(outputs.Embedded(), 2);
}

TEST_F(VideoOutputsTest, SwitchedOffAv0OnlyCloses) {
  video0Disabled = true;
  outputs.SetVideoState(0, kEmbedded, false);
  EXPECT_EQ(outputs.State(0), kClosed);
  EXPECT_TRUE(playback.calls.empty());
}

TEST_F(VideoOutputsTest, FullScreenToggleAndReturns) {
  outputs.SetVideoState(1, kToggleFullScreen, false);
  EXPECT_EQ(outputs.State(1), kClosed);
  EXPECT_TRUE(playback.calls.empty());

  outputs.SetVideoState(1, kFloating, false);
  outputs.SetVideoState(1, kToggleFullScreen, false);
  EXPECT_EQ(outputs.State(1), kFullScreen);
  EXPECT_TRUE(windows.fullScreen[1]);
  EXPECT_TRUE(outputs.AnyFullScreen());
  outputs.SetVideoState(1, kToggleFullScreen, false);
  EXPECT_EQ(outputs.State(1), kFloating);
  EXPECT_FALSE(windows.fullScreen[1]);

  // A closed AV1 saved closed as its return: leaving the floating window closes it.
  outputs.SetVideoState(1, kLeaveFloating, false);
  EXPECT_EQ(outputs.State(1), kClosed);
  EXPECT_EQ(outputs.ActiveFloating(), kNoVideo);
  EXPECT_FALSE(windows.shown[1]);
  // A closed AV0 returns to the main window.
  outputs.SetVideoState(0, kFullScreen, false);
  outputs.SetVideoState(0, kLeaveFullScreen, false);
  EXPECT_EQ(outputs.State(0), kEmbedded);
}

TEST_F(VideoOutputsTest, NotificationsAndOverscanInFullScreen) {
  overscan = 10;
  outputs.SetVideoState(2, kFullScreen, false);
  EXPECT_EQ(windows.rects[FloatPanel(2)], (TVideoRect{10, 10, 980, 480}));
  ASSERT_GE(notes.size(), 2u);
  EXPECT_EQ(notes[0], (std::pair<int, std::intptr_t>{2 + kVideoStarted, 0}));
  EXPECT_EQ(notes.back(), (std::pair<int, std::intptr_t>{2 + kVideoStateChanged, 3}));
  outputs.SetVideoState(2, kClosed, true);
  EXPECT_EQ(notes[notes.size() - 2].first, 2 + kVideoClosing);
  EXPECT_EQ(notes.back().second, 3 * 256 + 0 + 65536);
  EXPECT_EQ(windows.rects[FloatPanel(2)], TVideoRect{});
}

TEST_F(VideoOutputsTest, FailedStartShowsTheErrorAndCloseAllClosesEverything) {
  playback.failStart = true;
  outputs.SetVideoState(0, kEmbedded, false);
  EXPECT_EQ(windows.messages[kMain], kNoErrorText);
  playback.failStart = false;
  outputs.SetVideoState(1, kFloating, false);
  outputs.SetVideoState(4, kClosed, false);
  outputs.CloseAll();
  for (int i = 0; i < kVideoCount; ++i)
    EXPECT_EQ(outputs.State(i), kClosed) << i;
  EXPECT_TRUE(windows.messages.empty());
  EXPECT_FALSE(playback.running[1]);
}

TEST_F(VideoOutputsTest, ReopenClosesAndOpensInTheSameState) {
  outputs.SetVideoState(0, kEmbedded, false);
  playback.calls.clear();
  outputs.SetVideoState(0, kReopen, false);
  EXPECT_EQ(outputs.State(0), kEmbedded);
  ASSERT_GE(playback.calls.size(), 2u);
  EXPECT_EQ(playback.calls[0], "Stop0");
  EXPECT_EQ(playback.calls[1], "Start0@100");
}

TEST_F(VideoOutputsTest, VolumeIsMutedAdjustedAndClamped) {
  outputs.SetVideoState(0, kEmbedded, false);
  EXPECT_EQ(playback.lastSound.Flags, QEV_SOUND_VOLUME);
  EXPECT_EQ(playback.lastSound.Volume, 50); // the default of a new file
  adjust = true;
  factor = 150;
  outputs.StepVolume(0, 30);
  EXPECT_EQ(playback.lastSound.Volume, 100); // 80 x 1.5, clamped
  factor = 50;
  outputs.ApplyVolume(0);
  EXPECT_EQ(playback.lastSound.Volume, 40);
  outputs.ToggleMute(0);
  EXPECT_EQ(playback.lastSound.Volume, 0);
  outputs.StepVolume(0, 500);
  EXPECT_EQ(outputs.Settings(0).Sound.Volume, 100);
  EXPECT_EQ(EffectiveVolume(70, false, false, 10), 70);
}

TEST_F(VideoOutputsTest, PictureAndSoundPersistAcrossACloseAndReopen) {
  outputs.SetVideoState(1, kFloating, false);
  outputs.Settings(1).Sound = {77, true};
  outputs.Settings(1).Picture.Values[0] = 0xAB;
  outputs.SetVideoState(1, kClosed, false);
  std::ifstream in(config);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Audio1=0100004D"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("Video1_VMR9=AB0203040506"), std::string::npos) << text.str();

  outputs.SetVideoState(1, kFloating, false);
  EXPECT_EQ(outputs.Settings(1).Sound, (TVideoVolume{77, true}));
  ASSERT_FALSE(playback.picturesSet.empty());
  EXPECT_EQ(playback.picturesSet.back().Values[0], 0xAB);
}

TEST_F(VideoOutputsTest, LayoutKeepsTheForcedShape) {
  outputs.SetVideoState(0, kEmbedded, false);
  EXPECT_EQ((playback.options[{0, 0}]), 1); // a free shape keeps the picture's aspect
  EXPECT_EQ((playback.options[{0, 1}]), 3); // the crop percentage
  outputs.SetPictureShape(0, kShape4x3);
  EXPECT_EQ((playback.options[{0, 0}]), 0);
  EXPECT_EQ(windows.rects[kMain], (TVideoRect{166, 0, 667, 500}));
  outputs.SetCropPercent(7);
  for (int i = 0; i < kVideoCount; ++i)
    EXPECT_EQ((playback.options[{i, 1}]), 7) << i;
  outputs.SetPictureShape(0, kShape16x9);
  EXPECT_EQ(windows.rects[kMain], (TVideoRect{55, 0, 889, 500}));
  windows.size = {1600, 400};
  outputs.PanelResized(kMain);
  EXPECT_EQ(windows.rects[kMain], (TVideoRect{444, 0, 711, 400}));
}

} // namespace
} // namespace qev::video
