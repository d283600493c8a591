// The graph wrapper over a fake backend: opening, states, window, crop, aspect, picture and
// sound, and the error texts each failure leaves.
#include "video/av_controls.h"
#include "video/ds_graph.h"

#include "fake_graph.h"
#include "graph_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace qev::video;
using namespace qev::video::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class Graph : public GraphFolder {
protected:
  // Opens a plain graph of slot 1 from the script.
  int OpenScript(const std::string &script) {
    return graph.Open("  " + Write("g.grs", script) + "  ", "");
  }
  FakeGraph &Fake() { return *factory.Last(); }

  FakeGraphFactory factory;
  TDsGraphBasic graph{factory, 1};
};

constexpr const char *kScreenOnly = "LoadFilter(videosink,Screen)\n";

TEST(GraphErrorText, CarriesSlotAndCodeAndIsEmptyOnSuccess) {
  EXPECT_EQ(GraphErrorText(2, 0xA003, kTextRun),
            "AV2: Graph Error [A003] \rCannot change graph to RUN state.");
  EXPECT_EQ(GraphErrorText(0, 0xEF, "x"), "AV0: Graph Error [00EF] \rx");
  EXPECT_EQ(GraphErrorText(3, 0, "ignored"), "");
  EXPECT_EQ(WindowOwnerText(0x1A2B), "VideoWindow: Could not set owner handle. (0x00001A2B)");
  EXPECT_EQ(WindowPositionText(640, 480),
            "VideoWindow: Could not set window size/position: 640x480");
}

TEST_F(Graph, OpenBuildsBindsAndClearsTheError) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.LastErrorText(), "");
  EXPECT_EQ(Fake().CountOf("InsertControls"), 1u);
  std::vector<TFilterInfo> filters;
  EXPECT_EQ(graph.ListFilters(filters), 0);
  ASSERT_EQ(filters.size(), 1u);
  EXPECT_EQ(filters[0].Name, "Screen");
  EXPECT_EQ(filters[0].Role, TFilterRole::VideoRenderer);
}

TEST_F(Graph, OpenAnswersTheLoadsCodeWithItsText) {
  EXPECT_EQ(OpenScript("# only a comment\n"), kErrEmptyGrs);
  EXPECT_THAT(graph.LastErrorText(),
              HasSubstr("AV1: Graph Error [4001] \rInvalid/Empty graph file: "));
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("g.grs"));
  EXPECT_EQ(graph.Open("", ""), kErrNoGraphFile);
  EXPECT_EQ(graph.Open((dir / "x.wmv").string(), ""), kErrGraphFileMissing);
  EXPECT_EQ(graph.Open(Write("x.wmv", ""), ""), -1);
  EXPECT_EQ(graph.LastErrorText(), "");
  factory.SetFails(true);
  EXPECT_EQ(graph.Open("#", ""), kErrCreateGraph);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("Filter graph creation error."));
  std::vector<TFilterInfo> filters;
  EXPECT_EQ(graph.ListFilters(filters), -1);
}

TEST_F(Graph, StateChangesReportTheirFailures) {
  factory.Setup().FailStates = {TGraphState::Running, TGraphState::Paused, TGraphState::Stopped};
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.Run(), kErrRun);
  EXPECT_FALSE(graph.Running());
  EXPECT_EQ(graph.Pause(), kErrPause);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("PAUSE"));
  EXPECT_EQ(graph.Stop(), kErrStop);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("[A001] \rCannot change graph to STOP state."));
}

TEST_F(Graph, RunSetsRunningAndAppliesTheCropAgain) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.SetVideoProperty(1, 10), 0);
  EXPECT_EQ(graph.Run(), 0);
  EXPECT_TRUE(graph.Running());
  EXPECT_EQ(Fake().CountOf("Crop(36,28)"), 2u);
  EXPECT_EQ(graph.Pause(), 0);
  EXPECT_FALSE(graph.Running());
  graph.ReleaseAll();
  EXPECT_EQ(graph.Graph(), nullptr);
  EXPECT_EQ(graph.Run(), kErrRun);
}

TEST_F(Graph, CropCutsHalfThePercentFromEachSideAndStopsAt99) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.SetCropPercent(10), 0);
  EXPECT_EQ(graph.SetCropPercent(150), 0);
  EXPECT_EQ(graph.SetCropPercent(0), 0);
  const auto journal = Fake().Journal();
  EXPECT_THAT(std::vector<std::string>(journal.end() - 3, journal.end()),
              ElementsAre("Crop(36,28)", "Crop(356,285)", "Crop(0,0)"));
  EXPECT_EQ(graph.SetVideoProperty(7, 1), -1);
}

TEST_F(Graph, CropFailuresHaveTheirCodes) {
  factory.Setup().NativeSize.reset();
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.SetCropPercent(5), kErrVideoSize);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("Cannot get video size."));
  factory.Setup().NativeSize = TVideoSize{720, 576};
  factory.Setup().FailCrop = true;
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.SetCropPercent(5), kErrSourcePosition);
}

TEST_F(Graph, VideoWindowNeedsARendererAndCarriesAUniqueCaption) {
  ASSERT_EQ(OpenScript("LoadFilter(audiosink,Speaker)\n"), 0);
  EXPECT_EQ(graph.AttachVideoWindow(77, 78), kErrWindowNotAssigned);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("VideoWindow NOT assigned !"));
  EXPECT_EQ(graph.FindVideoWindow(), 0u);
  EXPECT_EQ(graph.LastResult(), kErrNoVideoRenderer);

  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.AttachVideoWindow(77, 78), 0);
  EXPECT_EQ(graph.FindVideoWindow(), 77u);
  TDsGraphBasic other(factory, 1);
  EXPECT_THAT(graph.Caption(), ::testing::MatchesRegex("DvbVideoGr_[0-9A-F]{8}"));
  EXPECT_NE(graph.Caption(), other.Caption());

  factory.Setup().FailAttach = true;
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.AttachVideoWindow(0x1A2B, 0), kErrWindowOwner);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("(0x00001A2B)"));
}

TEST_F(Graph, IdenticalPositionsMoveOnceAndAFailedMoveIsRetried) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  ASSERT_EQ(graph.AttachVideoWindow(5, 0), 0);
  EXPECT_EQ(graph.SetVideoPosition(0, 0, 640, 360), 0);
  EXPECT_EQ(graph.SetVideoPosition(0, 0, 640, 360), 0);
  EXPECT_EQ(Fake().CountOf("Geometry(0,0,640,360,1)"), 1u);

  Fake().SetGeometryFails(true);
  EXPECT_EQ(graph.SetVideoPosition(10, 10, 320, 180), kErrWindowPosition);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("size/position: 320x180"));
  Fake().SetGeometryFails(false);
  EXPECT_EQ(graph.SetVideoPosition(10, 10, 320, 180), 0);
  EXPECT_EQ(Fake().CountOf("Geometry(10,10,320,180,1)"), 2u);

  // A new window forgets the old place.
  ASSERT_EQ(graph.AttachVideoWindow(5, 0), 0);
  EXPECT_EQ(graph.SetVideoPosition(10, 10, 320, 180), 0);
  EXPECT_EQ(Fake().CountOf("Geometry(10,10,320,180,1)"), 3u);
}

TEST_F(Graph, AspectModeReachesThePlacedRenderer) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  ASSERT_EQ(graph.AttachVideoWindow(5, 0), 0);
  EXPECT_EQ(graph.SetVideoProperty(0, 0), 0); // nothing placed yet: remembered
  EXPECT_EQ(graph.SetVideoPosition(0, 0, 100, 50), 0);
  EXPECT_EQ(Fake().CountOf("Geometry(0,0,100,50,0)"), 1u);
  EXPECT_EQ(graph.SetAspectMode(1), 0);
  EXPECT_EQ(Fake().CountOf("Geometry(0,0,100,50,1)"), 1u);
  EXPECT_EQ(graph.SetAspectMode(5), 0);
  Fake().SetGeometryFails(true);
  EXPECT_EQ(graph.SetAspectMode(0), kErrAspectMode);
  EXPECT_THAT(graph.LastErrorText(), HasSubstr("SetAspectRatioMode() error"));
}

TEST_F(Graph, EveryPictureByteComesBackUnchanged) {
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  for (int byte = 0; byte <= 255; ++byte) {
    PictureRecord set{};
    set.Flags =
        QEV_PICTURE_BRIGHTNESS | QEV_PICTURE_CONTRAST | QEV_PICTURE_HUE | QEV_PICTURE_SATURATION;
    for (int i = 0; i < 4; ++i)
      set.Values[i] = static_cast<std::uint8_t>((byte + 40 * i) % 256);
    ASSERT_EQ(graph.GetSetPicture(1, &set), 0);
    PictureRecord got{};
    ASSERT_EQ(graph.GetSetPicture(0, &got), 0);
    EXPECT_EQ(got.Flags, 0x0Fu);
    EXPECT_EQ(std::string(got.Tag, 4), "VMR9");
    for (int i = 0; i < 4; ++i)
      ASSERT_EQ(got.Values[i], set.Values[i]) << "byte " << byte << " control " << i;
  }
}

TEST(PictureScale, RoundTripsOverOddRanges) {
  for (const TControlRange range : {TControlRange{-1, 1}, TControlRange{0, 2},
                                    TControlRange{-180, 180}, TControlRange{0, 10000}}) {
    for (int byte = 0; byte <= 255; ++byte)
      ASSERT_EQ(
          PictureByte(static_cast<float>(PictureValue(static_cast<std::uint8_t>(byte), range)),
                      range),
          byte);
  }
  EXPECT_EQ(PictureByte(0.5, TControlRange{1, 1}), 0);
}

TEST_F(Graph, PictureAnswersForMissingControlsRecordsAndOperations) {
  factory.Setup().Ranges.clear();
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  PictureRecord picture{};
  EXPECT_EQ(graph.GetSetPicture(0, &picture), -1);
  picture.Flags = QEV_PICTURE_HUE;
  EXPECT_EQ(graph.GetSetPicture(1, &picture), -1);
  EXPECT_EQ(graph.GetSetPicture(2, &picture), kErrBadOperation);
  EXPECT_EQ(graph.GetSetPicture(0, nullptr), kErrNoRecord);
}

TEST(SoundScale, EveryVolumeComesBackAndTheEndsAreSilenceAndFull) {
  EXPECT_EQ(VolumeMillibels(0), -10000);
  EXPECT_EQ(VolumeMillibels(100), 0);
  EXPECT_EQ(VolumeMillibels(150), 0);
  EXPECT_DOUBLE_EQ(VolumeFactor(100), 1.0);
  EXPECT_NEAR(VolumeFactor(0), 1e-5, 1e-12);
  for (int volume = 0; volume <= 100; ++volume)
    ASSERT_EQ(VolumeFromFactor(VolumeFactor(volume)), volume);
  EXPECT_EQ(VolumeFromFactor(0), 0);
  EXPECT_EQ(VolumeFromFactor(4.0), 100);
}

TEST(SoundScale, BalanceIsLinearAcrossThePanorama) {
  EXPECT_DOUBLE_EQ(PanoramaFromBalance(-50), -1.0);
  EXPECT_DOUBLE_EQ(PanoramaFromBalance(0), 0.0);
  EXPECT_DOUBLE_EQ(PanoramaFromBalance(25), 0.5);
  EXPECT_DOUBLE_EQ(PanoramaFromBalance(50), 1.0);
  EXPECT_DOUBLE_EQ(PanoramaFromBalance(120), 1.0);
  for (int balance = -50; balance <= 50; ++balance)
    ASSERT_EQ(BalanceFromPanorama(PanoramaFromBalance(balance)), balance);
}

TEST_F(Graph, SoundSetsAndReadsVolumeBalanceAndChannelMode) {
  ASSERT_EQ(OpenScript("LoadFilter(audiosink,Speaker)\nLoadFilter(channelswitch,AB)\n"), 0);
  for (int volume = 0; volume <= 100; ++volume) {
    SoundRecord set{QEV_SOUND_VOLUME | QEV_SOUND_BALANCE | QEV_SOUND_CHANNEL_MODE,
                    static_cast<std::uint8_t>(volume), static_cast<std::int8_t>(volume - 50),
                    static_cast<std::uint8_t>(volume % 3)};
    ASSERT_EQ(graph.GetSetSound(1, &set), 0);
    SoundRecord got{};
    ASSERT_EQ(graph.GetSetSound(0, &got), 0);
    EXPECT_EQ(got.Flags, 7u);
    ASSERT_EQ(got.Volume, set.Volume);
    ASSERT_EQ(got.Balance, set.Balance);
    ASSERT_EQ(got.ChannelMode, set.ChannelMode);
  }
  SoundRecord left{QEV_SOUND_BALANCE, 0, -50, 0};
  ASSERT_EQ(graph.GetSetSound(1, &left), 0);
  EXPECT_DOUBLE_EQ(Fake().Panorama(), -1.0);
}

TEST_F(Graph, SoundWithoutAudioOrChannelSwitchOrRecord) {
  ASSERT_EQ(OpenScript("LoadFilter(audiosink,Speaker)\n"), 0);
  SoundRecord mode{QEV_SOUND_CHANNEL_MODE, 0, 0, 1};
  EXPECT_EQ(graph.GetSetSound(1, &mode), -1);
  SoundRecord got{};
  EXPECT_EQ(graph.GetSetSound(0, &got), 0);
  EXPECT_EQ(got.Flags, QEV_SOUND_VOLUME | QEV_SOUND_BALANCE);
  EXPECT_EQ(graph.GetSetSound(1, nullptr), kErrNoRecord);
  EXPECT_EQ(graph.GetSetSound(3, &got), kErrBadOperation);
  ASSERT_EQ(OpenScript(kScreenOnly), 0);
  EXPECT_EQ(graph.GetSetSound(0, &got), -1);
}

TEST_F(Graph, MediaGraphRendersTheFileWithoutAGraphFile) {
  TDsGraphMedia media(factory, 4);
  EXPECT_EQ(media.Kind(), kKindMedia);
  EXPECT_EQ(media.Open("#", "/films/a.mkv"), 0);
  EXPECT_THAT(Fake().Journal(), ElementsAre("InsertControls", "RenderMedia(/films/a.mkv)"));
  EXPECT_EQ(media.AttachVideoWindow(9, 0), 0);

  factory.Setup().FailRender = true;
  EXPECT_EQ(media.Open("#", "/films/b.mkv"), kErrRenderFile);
  EXPECT_EQ(media.LastErrorText(), "AV4: Graph Error [00EF] \rCannot render file:\r\r/films/b.mkv");
}

} // namespace
