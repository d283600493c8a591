#include "video/gst/gst_graph.h"
#include "video/gst/gst_graph_factory.h"

#include "gst_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace qev::video {
namespace {

using testing::TRecordingSurface;
using testing::WaitFor;

std::unique_ptr<IGraph> CountingGraph() {
  TGstGraphFactory factory(TRenderMode::Count);
  auto graph = factory.CreateGraph();
  EXPECT_TRUE(graph) << factory.Error();
  return graph;
}

// A live test picture and sound into the system's renderers, built as a graph file would.
std::unique_ptr<IGraph> TestSignalGraph(const char *videoCaps = nullptr) {
  auto graph = CountingGraph();
  EXPECT_EQ(0, graph->AddFilter("videotestsrc", "Pictures"));
  EXPECT_EQ(0, graph->AddFilter("audiotestsrc", "Sound"));
  EXPECT_EQ(0, graph->AddFilter("{51B4ABF3-748F-4E3B-A276-C828330E926A}", "Video Renderer"));
  EXPECT_EQ(0, graph->AddFilter("QEV Audio Renderer", "Audio Renderer"));
  if (videoCaps != nullptr) {
    EXPECT_EQ(0, graph->AddFilter("capsfilter", "Format"));
    GstCaps *caps = gst_caps_from_string(videoCaps);
    g_object_set(dynamic_cast<gst::TGstGraph &>(*graph).Element("Format"), "caps", caps, nullptr);
    gst_caps_unref(caps);
    EXPECT_TRUE(graph->ConnectPins("Pictures", "src", "Format", "sink"));
    EXPECT_TRUE(graph->ConnectPins("Format", "src", "Video Renderer", "VMR Input0"));
  } else {
    EXPECT_TRUE(graph->ConnectPins("Pictures", "src", "Video Renderer", "sink"));
  }
  EXPECT_TRUE(graph->ConnectPins("Sound", "src", "Audio Renderer", "Audio Input pin (rendered)"));
  return graph;
}

TEST(GstGraph, AddsFiltersUnderTheirNamesAndRefusesUnknownClassesAndTakenNames) {
  QEV_REQUIRE_ELEMENTS("videotestsrc", "appsrc", "tsdemux", "appsink", "videoconvert");
  auto graph = CountingGraph();
  EXPECT_EQ(0, graph->AddFilter("{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", "QEV-DVB AVSource"));
  EXPECT_EQ(0, graph->AddFilter("qev video renderer", "Video Renderer"));
  EXPECT_EQ(0, graph->AddFilter("{E30629D1-27E5-11CE-875D-00608CB78066}", "Audio Renderer"));
  EXPECT_EQ(0, graph->AddFilter("Channel A/B Switch", "Switch"));
  EXPECT_EQ(0, graph->AddFilter("videotestsrc", "Pictures"));
  EXPECT_EQ(0x2001, graph->AddFilter("{00000000-0000-0000-0000-000000000000}", "Nothing"));
  EXPECT_EQ(0x2001, graph->AddFilter("nosuchelement", "Nothing"));
  EXPECT_EQ(0x2002, graph->AddFilter("videotestsrc", "Pictures"));
  EXPECT_EQ(0x2002, graph->AddFilter("qevavsource", "Second Source"));
  EXPECT_EQ(0x2002, graph->AddFilter("videosink", "Second Screen"));
  EXPECT_TRUE(graph->HasFilter("Pictures"));
  EXPECT_FALSE(graph->HasFilter("Nothing"));
  ASSERT_NE(nullptr, graph->AvSource());
  EXPECT_TRUE(graph->HasVideoRenderer());
  EXPECT_TRUE(graph->HasChannelSwitch());

  const auto filters = graph->Filters();
  ASSERT_EQ(5u, filters.size());
  EXPECT_EQ("QEV-DVB AVSource", filters[0].Name);
  EXPECT_EQ(TFilterRole::AvSource, filters[0].Role);
  EXPECT_EQ(TFilterRole::VideoRenderer, filters[1].Role);
  EXPECT_EQ(TFilterRole::AudioRenderer, filters[2].Role);
  EXPECT_EQ(TFilterRole::ChannelSwitch, filters[3].Role);
  EXPECT_TRUE(filters[3].HasPages); // its channel mode
  EXPECT_EQ("videotestsrc", filters[4].Class);
  EXPECT_EQ(TFilterRole::Other, filters[4].Role);
  EXPECT_TRUE(filters[4].HasPages);
  EXPECT_FALSE(filters[0].HasPages);
}

TEST(GstGraph, FindsPinsByNameTemplateAndLetterCase) {
  QEV_REQUIRE_ELEMENTS("decodebin", "tee", "appsrc", "tsdemux");
  auto graph = CountingGraph();
  ASSERT_EQ(0, graph->AddFilter("QEV-DVB AVSource", "Source"));
  ASSERT_EQ(0, graph->AddFilter("decodebin", "Decoder"));
  ASSERT_EQ(0, graph->AddFilter("tee", "Split"));
  EXPECT_EQ("Video", graph->FindPin("Source", "Video"));
  EXPECT_EQ("Audio", graph->FindPin("Source", "AUDIO"));
  EXPECT_EQ(std::nullopt, graph->FindPin("Source", "Teletext"));
  EXPECT_EQ("sink", graph->FindPin("Decoder", "Sink"));
  EXPECT_EQ("src_0", graph->FindPin("Decoder", "src_0"));
  EXPECT_EQ("src_1", graph->FindPin("Decoder", "SRC_1"));
  EXPECT_EQ("Video", graph->FindPin("Decoder", "Video"));
  EXPECT_EQ("src", graph->FindPin("Decoder", "src"));
  EXPECT_EQ("src_3", graph->FindPin("Split", "src_3"));
  EXPECT_EQ(std::nullopt, graph->FindPin("Decoder", "Output"));
  EXPECT_EQ(std::nullopt, graph->FindPin("Nobody", "src"));
}

TEST(GstGraph, TestSignalGraphRunsStopsAndRunsAgain) {
  QEV_REQUIRE_ELEMENTS("videotestsrc", "audiotestsrc", "appsink", "videoconvert", "fakesink");
  auto graph = TestSignalGraph();
  EXPECT_TRUE(graph->PinConnected("Pictures", "src"));
  EXPECT_TRUE(graph->PinConnected("Video Renderer", "sink"));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  ASSERT_TRUE(WaitFor([&] {
    const auto c = graph->Counts();
    return c.VideoFrames >= 5 && c.AudioBuffers >= 5;
  }));
  const auto counts = graph->Counts();
  EXPECT_NE(0, counts.FirstVideoNs);
  EXPECT_NE(0, counts.FirstAudioNs);
  EXPECT_EQ(1, counts.AudioChannels); // the test sound is mono
  EXPECT_GT(counts.AudioRate, 0);
  EXPECT_TRUE(counts.Errors.empty());
  const auto size = graph->NativeVideoSize();
  ASSERT_TRUE(size);
  EXPECT_EQ(320, size->Width);
  EXPECT_EQ(240, size->Height);

  ASSERT_TRUE(graph->SetState(TGraphState::Stopped));
  const auto stopped = graph->Counts().VideoFrames;
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  EXPECT_TRUE(WaitFor([&] { return graph->Counts().VideoFrames > stopped + 3; }));
  EXPECT_TRUE(graph->SetState(TGraphState::Paused));
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

TEST(GstGraph, LinksDecoderPadsWhenTheyAppearAndAfterARestart) {
  QEV_REQUIRE_ELEMENTS("audiotestsrc", "decodebin", "fakesink");
  for (const char *pin : {"src_0", "Audio", "src"}) {
    SCOPED_TRACE(pin);
    auto graph = CountingGraph();
    ASSERT_EQ(0, graph->AddFilter("audiotestsrc", "Sound"));
    ASSERT_EQ(0, graph->AddFilter("decodebin", "Decoder"));
    ASSERT_EQ(0, graph->AddFilter("QEV Audio Renderer", "Audio Renderer"));
    ASSERT_TRUE(graph->ConnectPins("Sound", "src", "Decoder", "sink"));
    EXPECT_FALSE(graph->PinConnected("Decoder", pin));
    ASSERT_TRUE(graph->ConnectPins("Decoder", pin, "Audio Renderer", "sink"));
    EXPECT_TRUE(graph->PinConnected("Decoder", pin)); // a link waiting for its pad
    EXPECT_TRUE(graph->PinConnected("Audio Renderer", "sink"));
    graph->InsertControls(); // in front of a renderer whose input is still a waiting link
    for (int run = 0; run < 2; ++run) {
      const auto before = graph->Counts().AudioBuffers;
      ASSERT_TRUE(graph->SetState(TGraphState::Running));
      EXPECT_TRUE(WaitFor([&] { return graph->Counts().AudioBuffers > before + 5; }));
      ASSERT_TRUE(graph->SetState(TGraphState::Stopped));
    }
    EXPECT_TRUE(graph->Counts().Errors.empty());
  }
}

TEST(GstGraph, PictureAndSoundControlsRoundTripOnTheRealElements) {
  QEV_REQUIRE_ELEMENTS("videotestsrc", "audiotestsrc", "videobalance", "videocrop", "audiopanorama",
                       "volume", "audioconvert");
  auto graph = TestSignalGraph();
  EXPECT_FALSE(graph->PictureRange(TPictureControl::Brightness));
  EXPECT_FALSE(graph->SetVolume(0.5));
  EXPECT_FALSE(graph->HasChannelSwitch());
  graph->InsertControls();
  graph->InsertControls(); // a second call finds them present
  const auto filters = graph->Filters();
  for (const char *factory :
       {"videobalance", "videocrop", "audioconvert", "qevchanswitch", "audiopanorama", "volume"})
    EXPECT_EQ(1, std::count_if(filters.begin(), filters.end(),
                               [&](const TFilterInfo &f) { return f.Class == factory; }))
        << factory;

  const auto brightness = graph->PictureRange(TPictureControl::Brightness);
  ASSERT_TRUE(brightness);
  EXPECT_DOUBLE_EQ(-1, brightness->Min);
  EXPECT_DOUBLE_EQ(1, brightness->Max);
  const auto contrast = graph->PictureRange(TPictureControl::Contrast);
  ASSERT_TRUE(contrast);
  EXPECT_DOUBLE_EQ(0, contrast->Min);
  EXPECT_DOUBLE_EQ(2, contrast->Max);
  EXPECT_DOUBLE_EQ(-1, graph->PictureRange(TPictureControl::Hue)->Min);
  EXPECT_DOUBLE_EQ(2, graph->PictureRange(TPictureControl::Saturation)->Max);
  EXPECT_TRUE(graph->SetPicture(TPictureControl::Brightness, 0.25));
  EXPECT_TRUE(graph->SetPicture(TPictureControl::Saturation, 5)); // clamped
  EXPECT_DOUBLE_EQ(0.25, *graph->GetPicture(TPictureControl::Brightness));
  EXPECT_DOUBLE_EQ(2, *graph->GetPicture(TPictureControl::Saturation));

  EXPECT_TRUE(graph->HasAudio());
  EXPECT_TRUE(graph->SetVolume(0.5));
  EXPECT_DOUBLE_EQ(0.5, *graph->GetVolume());
  EXPECT_TRUE(graph->SetPanorama(-0.5));
  EXPECT_FLOAT_EQ(-0.5f, static_cast<float>(*graph->GetPanorama()));
  ASSERT_TRUE(graph->HasChannelSwitch());
  EXPECT_EQ(0, graph->GetChannelMode());
  EXPECT_TRUE(graph->SetChannelMode(2));
  EXPECT_EQ(2, graph->GetChannelMode());
  EXPECT_FALSE(graph->SetChannelMode(3));

  // The controls sit in the running streams; the crop cuts what the renderer gets, and the
  // native size stays the decoder's.
  EXPECT_TRUE(graph->SetSourceCrop(10, 20));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  EXPECT_TRUE(WaitFor([&] {
    const auto c = graph->Counts();
    return c.VideoFrames >= 3 && c.AudioBuffers >= 3;
  }));
  const auto size = graph->NativeVideoSize();
  ASSERT_TRUE(size);
  EXPECT_EQ(320, size->Width);
  EXPECT_EQ(240, size->Height);
  EXPECT_TRUE(graph->Counts().Errors.empty());
  graph->SetState(TGraphState::Stopped);
}

TEST(GstGraph, SurfaceReceivesFramesWithTheDisplayAspectAndGeometry) {
  QEV_REQUIRE_ELEMENTS("videotestsrc", "audiotestsrc", "capsfilter", "fakesink");
  TRecordingSurface surface;
  const std::uintptr_t handle = RegisterSurface(surface);
  {
    auto pal = TestSignalGraph("video/x-raw,format=I420,width=720,height=576,"
                               "pixel-aspect-ratio=16/15");
    const TRendererGeometry geometry{10, 20, 640, 360, 1};
    EXPECT_TRUE(pal->SetRendererGeometry(geometry)); // before the surface: kept for it
    ASSERT_TRUE(pal->AttachSurface(handle));
    EXPECT_EQ(geometry, surface.Geometry());
    ASSERT_TRUE(pal->SetState(TGraphState::Running));
    ASSERT_TRUE(WaitFor([&] { return surface.Frames() >= 3; }));
    const auto frame = surface.Last();
    ASSERT_TRUE(frame);
    EXPECT_EQ(TVideoFrame::TFormat::I420, frame->Format);
    EXPECT_EQ(720, frame->Width);
    EXPECT_EQ(576, frame->Height);
    EXPECT_EQ(4, frame->AspectX);
    EXPECT_EQ(3, frame->AspectY);
    EXPECT_NE(nullptr, frame->Planes[0]);
    EXPECT_GE(frame->Strides[0], 720);
    EXPECT_GE(frame->Strides[1], 360);
    ASSERT_TRUE(pal->SetState(TGraphState::Stopped));
    EXPECT_GE(surface.Clears(), 1);
    EXPECT_FALSE(surface.Last());
  }
  UnregisterSurface(handle);
}

TEST(GstGraph, ReportsTheErrorsThePipelinePosts) {
  QEV_REQUIRE_ELEMENTS("filesrc", "decodebin", "fakesink");
  auto graph = CountingGraph();
  ASSERT_EQ(0, graph->AddFilter("filesrc", "File"));
  ASSERT_EQ(0, graph->AddFilter("decodebin", "Decoder"));
  ASSERT_EQ(0, graph->AddFilter("QEV Audio Renderer", "Audio Renderer"));
  g_object_set(dynamic_cast<gst::TGstGraph &>(*graph).Element("File"), "location",
               "/nonexistent/qev-no-such-file.ts", nullptr);
  ASSERT_TRUE(graph->ConnectPins("File", "src", "Decoder", "sink"));
  ASSERT_TRUE(graph->ConnectPins("Decoder", "src_0", "Audio Renderer", "sink"));
  EXPECT_FALSE(graph->SetState(TGraphState::Running));
  EXPECT_TRUE(WaitFor([&] { return !graph->Counts().Errors.empty(); }));
  EXPECT_EQ(0u, graph->Counts().AudioBuffers);
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

TEST(GstGraph, RendersAMediaFileIntoRenderersItAddsAndRefusesAMissingOne) {
  QEV_REQUIRE_ELEMENTS("uridecodebin", "tsdemux", "appsink", "fakesink");
  const std::string clip = std::string(QEV_DEMO_DIR) + "/s1_10788v_av.ts";
  auto missing = CountingGraph();
  EXPECT_FALSE(missing->RenderMedia(clip + ".none"));

  auto graph = CountingGraph();
  graph->InsertControls(); // nothing to put them in front of yet
  ASSERT_TRUE(graph->RenderMedia(clip));
  EXPECT_TRUE(graph->HasVideoRenderer());
  EXPECT_TRUE(graph->HasAudio());
  EXPECT_TRUE(graph->HasChannelSwitch()); // the controls came with the renderers
  const auto filters = graph->Filters();
  EXPECT_EQ(1, std::count_if(filters.begin(), filters.end(), [](const TFilterInfo &f) {
              return f.Role == TFilterRole::MediaSource;
            }));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  EXPECT_TRUE(WaitFor([&] {
    const auto c = graph->Counts();
    return c.VideoFrames >= 10 && c.AudioBuffers >= 10;
  }));
  EXPECT_EQ(720, graph->NativeVideoSize().value_or(TVideoSize{}).Width);
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

} // namespace
} // namespace qev::video
