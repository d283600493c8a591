// The live graph: checks of the source filter, the start of the feed, media-type detection on
// its own thread and notification 12.
#include "video/av_feed_graph.h"

#include "fake_graph.h"
#include "frame/event_loop.h"
#include "frame/notification_hub.h"
#include "graph_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace qev::video;
using namespace qev::video::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

namespace {

bool Eventually(const std::function<bool()> &condition) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TMediaType Video(std::uint32_t aspectX, std::uint32_t bitRate) {
  TMediaType type;
  type.Major = TMajorType::Video;
  type.Subtype = "mpeg2";
  type.FormatType = TFormatType::Mpeg2Video;
  type.HasFormat = true;
  type.Width = 720;
  type.Height = 576;
  type.AspectX = aspectX;
  type.AspectY = aspectX == 16 ? 9 : 3;
  type.BitRate = bitRate;
  return type;
}

TMediaType Audio(std::uint16_t channels) {
  TMediaType type;
  type.Major = TMajorType::Audio;
  type.Subtype = "mpa";
  type.FormatType = TFormatType::WaveFormatEx;
  type.HasFormat = true;
  type.Channels = channels;
  type.SamplesPerSec = 48000;
  return type;
}

class LiveGraph : public GraphFolder {
protected:
  int OpenLive(const std::string &script = kLiveGrs) {
    return feed.Open(Write("live.grs", script), "");
  }
  void Options(int mode, std::chrono::milliseconds timeout = 10s) {
    TDirectShowOptions options;
    options.MTDetect = mode;
    options.Latency = 300;
    options.OnlyIFrm = true;
    options.RunTimeout = timeout;
    feed.SetOptions(options);
  }
  FakeGraph &Fake() { return *factory.Last(); }
  FakeAvSource &Source() { return Fake().Source(); }
  bool Ran() { return Fake().State() == TGraphState::Running; }

  FakeGraphFactory factory;
  TDsGraphDvb_TST feed{factory, 2};
};

std::string Without(const std::string &script, const std::string &line) {
  std::string text = script;
  text.erase(text.find(line), line.size());
  return text;
}

TEST_F(LiveGraph, BindsTheSourceAndHandsItTheEvents) {
  ASSERT_EQ(OpenLive(), 0) << feed.LastErrorText();
  EXPECT_THAT(Source().Journal(), ElementsAre("SetParam(257,event)", "SetParam(259,event)"));
  EXPECT_EQ(Fake().CountOf("UseAudioClock"), 1u);
  EXPECT_EQ(feed.Kind(), kKindLiveFeed);
}

TEST_F(LiveGraph, RefusesGraphsWithoutAUsableSource) {
  EXPECT_EQ(OpenLive("LoadFilter(videosink,Screen)\n"), kErrSourceFilterMissing);
  EXPECT_EQ(feed.LastErrorText(),
            "AV2: Graph Error [D001] \rFilter \"QEV-DVB AVSource\" not found in graph");

  factory.Setup().Classes["oddsource"] = {TFilterRole::AvSource, {"Video", "Sound"}};
  EXPECT_EQ(OpenLive("LoadFilter(oddsource,Source)\n"), kErrSourcePinsMissing);
  EXPECT_THAT(feed.LastErrorText(), HasSubstr("Cannot find DVB Source Video/Audio pins"));

  EXPECT_EQ(OpenLive(Without(kLiveGrs, "ConnectPin(Source, Video, VDec, sink)\n")),
            kErrSourcePinNotConnected);
  EXPECT_THAT(feed.LastErrorText(), HasSubstr("DVB Source \"Video\" pin is NOT connected"));
  EXPECT_EQ(OpenLive(Without(kLiveGrs, "ConnectPin(Source, Audio, ADec, sink)\n")),
            kErrSourcePinNotConnected);
  EXPECT_THAT(feed.LastErrorText(), HasSubstr("DVB Source \"Audio\" pin is NOT connected"));

  factory.Setup().SourceInterface = false;
  EXPECT_EQ(OpenLive(), kErrSourceInterface);
  EXPECT_THAT(feed.LastErrorText(), HasSubstr("Cannot find interface for DVB Source filter"));
}

TEST_F(LiveGraph, StartFeedStopsSetsTheParametersStartsAndRuns) {
  Options(kDetectOff);
  ASSERT_EQ(OpenLive(), 0);
  EXPECT_EQ(feed.StartFeed(0x101, 0x100, 0x102, 5), 0);
  EXPECT_THAT(Source().Journal(),
              ElementsAre("SetParam(257,event)", "SetParam(259,event)", "StopFeed",
                          "SetParam(273,300)", "SetParam(274,1)", "SetParam(258,0)",
                          "SetParam(260,0)", "Start(257,256,258,5)"));
  const auto journal = Fake().Journal();
  EXPECT_THAT(std::vector<std::string>(journal.end() - 2, journal.end()),
              ElementsAre("Stop", "Run"));
  EXPECT_FALSE(feed.Detecting());
  EXPECT_EQ(feed.LastErrorText(), "");
}

TEST_F(LiveGraph, StartFeedReportsAGraphThatWillNotRun) {
  factory.Setup().FailStates = {TGraphState::Running};
  Options(kDetectOff);
  ASSERT_EQ(OpenLive(), 0);
  EXPECT_EQ(feed.StartFeed(0x101, 0x100, 0x102, 0), kErrRun);
  EXPECT_THAT(feed.LastErrorText(), HasSubstr("RUN state"));
}

TEST_F(LiveGraph, ReportingModeReadsTypesWithoutReconnecting) {
  Options(kDetectReport);
  ASSERT_EQ(OpenLive(), 0);
  Source().Announce(TMajorType::Audio, Audio(2));
  ASSERT_EQ(feed.StartFeed(0x101, 0x100, 0x102, 0), 0);
  EXPECT_TRUE(Ran());
  EXPECT_EQ(feed.StoredMediaType(TMajorType::Audio), Audio(2));
  Source().Announce(TMajorType::Video, Video(4, 15000000));
  Source().Announce(TMajorType::Audio, Audio(1));
  ASSERT_TRUE(Eventually([&] { return !feed.Detecting(); }));
  EXPECT_EQ(feed.StoredMediaType(TMajorType::Video), Video(4, 15000000));
  EXPECT_EQ(feed.StoredMediaType(TMajorType::Audio), Audio(1));
  EXPECT_EQ(Fake().CountOf("Reconnect(Source.Audio)") + Fake().CountOf("Reconnect(Source.Video)"),
            0u);
}

TEST_F(LiveGraph, DetectingModeRunsARadioServiceOnItsOneStream) {
  Options(kDetectAndUse);
  ASSERT_EQ(OpenLive(), 0);
  ASSERT_EQ(feed.StartFeed(0x101, 0x1FFF, 0x101, 0), 0);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(Ran());
  EXPECT_TRUE(feed.Detecting());
  Source().Announce(TMajorType::Audio, Audio(2));
  ASSERT_TRUE(Eventually([&] { return Ran() && !feed.Detecting(); }));
  EXPECT_EQ(Fake().CountOf("Reconnect(Source.Audio)"), 1u);
}

TEST_F(LiveGraph, DetectingModeRunsAfterTheTimeOutWithoutAnnouncements) {
  Options(kDetectAndUse, 30ms);
  ASSERT_EQ(OpenLive(), 0);
  ASSERT_EQ(feed.StartFeed(0x101, 0x100, 0x101, 0), 0);
  ASSERT_TRUE(Eventually([&] { return Ran() && !feed.Detecting(); }));
}

TEST_F(LiveGraph, AnAspectChangeReconnectsTheVideoButABitRateChangeDoesNot) {
  Options(kDetectAndUse);
  ASSERT_EQ(OpenLive(), 0);
  const auto startVideoOnly = [&] { ASSERT_EQ(feed.StartFeed(0, 0x100, 0x100, 0), 0); };
  startVideoOnly();
  Source().Announce(TMajorType::Video, Video(4, 15000000));
  ASSERT_TRUE(Eventually([&] { return !feed.Detecting(); }));
  EXPECT_EQ(Fake().CountOf("Reconnect(Source.Video)"), 1u); // the first type differs from none

  startVideoOnly();
  Source().Announce(TMajorType::Video, Video(4, 9000000));
  ASSERT_TRUE(Eventually([&] { return !feed.Detecting(); }));
  EXPECT_EQ(Fake().CountOf("Reconnect(Source.Video)"), 1u);

  startVideoOnly();
  Source().Announce(TMajorType::Video, Video(16, 9000000));
  ASSERT_TRUE(Eventually([&] { return !feed.Detecting(); }));
  EXPECT_EQ(Fake().CountOf("Reconnect(Source.Video)"), 2u);
  EXPECT_TRUE(Ran());
}

TEST_F(LiveGraph, ReleaseStopsTheDetectionAndCleansTheFeedUp) {
  std::vector<std::string> lastWords;
  factory.Setup().OnDestroy = [&](FakeGraph &graph) { lastWords = graph.Source().Journal(); };
  Options(kDetectReport);
  ASSERT_EQ(OpenLive(), 0);
  ASSERT_EQ(feed.StartFeed(0x101, 0x100, 0x102, 0), 0);
  ASSERT_TRUE(feed.Detecting());
  feed.ReleaseAll();
  EXPECT_FALSE(feed.Detecting());
  EXPECT_EQ(feed.Graph(), nullptr);
  ASSERT_GE(lastWords.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(lastWords.end() - 3, lastWords.end()),
              ElementsAre("StopFeed", "SetParam(257,0)", "SetParam(259,0)"));
}

TEST_F(LiveGraph, TsAndPvaVariantsHandTheDataOnWithoutCopying) {
  ASSERT_EQ(OpenLive(), 0);
  const std::uint8_t packets[188 * 2] = {0x47};
  feed.FeedData(packets, sizeof packets);
  EXPECT_EQ(Source().Bytes(), 376u);
  TDsGraphDvb_PVA pva(factory, 1);
  ASSERT_EQ(pva.Open(Write("pva.grs", kLiveGrs), ""), 0);
  pva.FeedData(packets, 100);
  EXPECT_EQ(factory.Last()->Source().PvaDeliveries(), 1u);
  EXPECT_EQ(factory.Last()->Source().Bytes(), 0u);
}

// Notification 12 reaches the user-interface thread as a copy the graph no longer owns.
class MediaTypeNotice : public LiveGraph {
protected:
  void SetUp() override {
    LiveGraph::SetUp();
    qev::frame::SetCurrentDispatcher(&loop);
    qev::frame::AddGlobalNotification(qev::frame::kNotifyMediaType, &Handler, this);
  }
  void TearDown() override {
    qev::frame::RemoveGlobalNotification(qev::frame::kNotifyMediaType, &Handler, this);
    qev::frame::SetCurrentDispatcher(nullptr);
    LiveGraph::TearDown();
  }
  static void Handler(void *context, std::intptr_t first, std::intptr_t second) {
    auto *self = static_cast<MediaTypeNotice *>(context);
    self->onUiThread.push_back(self->loop.IsUiThread());
    self->firsts.push_back(first);
    self->types.push_back(second != 0 ? *reinterpret_cast<const TMediaType *>(second)
                                      : TMediaType{});
  }

  qev::frame::EventLoop loop;
  std::vector<bool> onUiThread;
  std::vector<std::intptr_t> firsts;
  std::vector<TMediaType> types;
};

TEST_F(MediaTypeNotice, PostsACopyToTheUserInterfaceThread) {
  Options(kDetectReport);
  ASSERT_EQ(OpenLive(), 0);
  ASSERT_EQ(feed.StartFeed(0x101, 0x100, 0x102, 0), 0);
  Source().Announce(TMajorType::Video, Video(16, 8000000));
  Source().Announce(TMajorType::Audio, Audio(2));
  ASSERT_TRUE(Eventually([&] { return !feed.Detecting(); }));
  EXPECT_TRUE(firsts.empty()); // posted, not sent: nothing ran on the detecting thread
  // The graph may be gone before the windows get to the notice.
  feed.ReleaseAll();
  loop.ProcessPending();
  EXPECT_THAT(firsts, ElementsAre(2 * 256 + 1, 2 * 256 + 2));
  EXPECT_THAT(onUiThread, ElementsAre(true, true));
  EXPECT_THAT(types, ElementsAre(Video(16, 8000000), Audio(2)));
}

} // namespace
