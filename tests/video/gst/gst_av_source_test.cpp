#include "video/event_group.h"
#include "video/graph_file.h"
#include "video/gst/gst_av_source.h"
#include "video/gst/gst_graph_factory.h"
#include "video/media_type.h"

#include "gst_test_support.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace qev::video {
namespace {

using testing::TRecordingSurface;
using testing::WaitFor;

constexpr std::uint16_t kClipPcr = 0x101; // the demo clips carry their PCR with the first video
constexpr std::uint16_t kNone = 0x1FFF;

std::vector<std::uint8_t> ReadClip(const std::string &name) {
  std::ifstream in(std::string(QEV_DEMO_DIR) + "/" + name + "_av.ts", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The default live graph of a new root, built from its graph file.
std::unique_ptr<IGraph> LiveGraph(TRenderMode mode = TRenderMode::Count) {
  TGstGraphFactory factory(mode);
  auto graph = factory.CreateGraph();
  EXPECT_TRUE(graph) << factory.Error();
  const TGraphResult loaded =
      LoadGraphFile(*graph, std::string(QEV_SHARE_DIR) + "/Graphs/DVB_AV0.GRS");
  EXPECT_FALSE(loaded.Failed()) << loaded.Text;
  EXPECT_TRUE(graph->PinConnected("QEV-DVB AVSource", "Video"));
  EXPECT_TRUE(graph->PinConnected("QEV-DVB AVSource", "Audio"));
  graph->InsertControls();
  return graph;
}

// Feeds a clip from a thread of its own, as the device module's delivery thread does: blocks
// of a few packets, paced (by default faster than real time).
class TFeeder {
public:
  TFeeder(IDvbAvSrcIntf &source, std::vector<std::uint8_t> clip,
          std::chrono::milliseconds pause = std::chrono::milliseconds(4))
      : thread_([&source, clip = std::move(clip), pause](std::stop_token stop) {
          constexpr std::size_t kBlock = 188 * 64;
          for (std::size_t at = 0; at + 188 <= clip.size() && !stop.stop_requested();
               at += kBlock) {
            const std::size_t length = std::min(kBlock, clip.size() - at) / 188 * 188;
            source.DeliverTs(clip.data() + at, static_cast<std::int32_t>(length));
            std::this_thread::sleep_for(pause);
          }
        }) {}
  void Join() { thread_.join(); }

private:
  std::jthread thread_;
};

struct TCodecCase {
  const char *Clip;
  std::uint16_t Video, Audio;
  const char *VideoSubtype, *AudioSubtype;
  int Width, Height, AspectX, AspectY;
};

class GstAvSourceCodecs : public ::testing::TestWithParam<TCodecCase> {};

TEST_P(GstAvSourceCodecs, PlaysTheStreamsIntoTheRenderersWithTheirSizeAndAspect) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink", "videobalance",
                       "videocrop", "audiopanorama", "volume");
  const TCodecCase &c = GetParam();
  const auto clip = ReadClip(c.Clip);
  ASSERT_FALSE(clip.empty()) << "no demo clip " << c.Clip;
  auto graph = LiveGraph();
  IDvbAvSrcIntf *source = graph->AvSource();
  ASSERT_NE(nullptr, source);
  TEventGroup events;
  const TEventRef videoChanged{&events, 1}, audioChanged{&events, 2};
  EXPECT_EQ(0, source->SetParam(257, reinterpret_cast<std::intptr_t>(&videoChanged)));
  EXPECT_EQ(0, source->SetParam(259, reinterpret_cast<std::intptr_t>(&audioChanged)));
  EXPECT_EQ(0, source->SetParam(273, 0));
  EXPECT_EQ(0, source->SetParam(274, 0));
  TRecordingSurface surface;
  const std::uintptr_t handle = RegisterSurface(surface);
  ASSERT_TRUE(graph->AttachSurface(handle));

  ASSERT_EQ(0, source->Start(c.Audio, c.Video, kClipPcr, 7));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  TFeeder feeder(*source, clip);
  const bool radio = c.Video == kNone;
  EXPECT_TRUE(WaitFor([&] {
    const auto counts = graph->Counts();
    return counts.AudioBuffers >= 20 && (radio || counts.VideoFrames >= 10);
  })) << "frames "
      << graph->Counts().VideoFrames << ", sound " << graph->Counts().AudioBuffers;
  feeder.Join();

  const auto counts = graph->Counts();
  EXPECT_TRUE(counts.Errors.empty()) << counts.Errors.front();
  EXPECT_EQ(2, counts.AudioChannels);
  EXPECT_EQ(48000, counts.AudioRate);
  std::intptr_t value = 0;
  ASSERT_EQ(0, source->GetParam(10, value));
  const auto *audio = reinterpret_cast<const TMediaType *>(value);
  ASSERT_NE(nullptr, audio);
  EXPECT_EQ(c.AudioSubtype, audio->Subtype);
  EXPECT_NE(0u, events.WaitAny(2, std::chrono::milliseconds(0)));
  ASSERT_EQ(0, source->GetParam(5, value));
  const auto *video = reinterpret_cast<const TMediaType *>(value);
  if (radio) {
    EXPECT_EQ(nullptr, video);
    EXPECT_EQ(0u, counts.VideoFrames);
  } else {
    ASSERT_NE(nullptr, video);
    EXPECT_EQ(c.VideoSubtype, video->Subtype);
    EXPECT_NE(0u, events.WaitAny(1, std::chrono::milliseconds(0)));
    const auto size = graph->NativeVideoSize();
    ASSERT_TRUE(size);
    EXPECT_EQ(c.Width, size->Width);
    EXPECT_EQ(c.Height, size->Height);
    const auto frame = surface.Last();
    ASSERT_TRUE(frame);
    EXPECT_EQ(c.AspectX, frame->AspectX);
    EXPECT_EQ(c.AspectY, frame->AspectY);
  }
  ASSERT_EQ(0, source->GetParam(0x1001, value));
  EXPECT_EQ(0, value);

  EXPECT_TRUE(graph->ReconnectPin("QEV-DVB AVSource", "Video")); // harmless while playing
  source->StopFeed();
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
  UnregisterSurface(handle);
}

INSTANTIATE_TEST_SUITE_P(
    DemoClips, GstAvSourceCodecs,
    ::testing::Values(TCodecCase{"s1_10788v", 0x101, 0x102, "mpeg2", "mpa", 720, 576, 4, 3},
                      TCodecCase{"s1_12188h", 0x101, 0x102, "mpeg2", "mpa", 720, 576, 16, 9},
                      TCodecCase{"s1_10788v", 0x201, 0x204, "h264", "ac3", 1280, 720, 16, 9},
                      TCodecCase{"s1_12188h", 0x201, 0x202, "hevc", "eac3", 1280, 720, 16, 9},
                      TCodecCase{"s1_12188h", 0x301, 0x302, "h264", "aac", 1280, 720, 16, 9},
                      TCodecCase{"s1_12188h", kNone, 0x401, "", "aac", 0, 0, 0, 0}));

TEST(GstAvSource, CountsScrambledPacketsAndShowsNothingOfThem) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink");
  auto clip = ReadClip("s1_10788v");
  ASSERT_FALSE(clip.empty());
  std::uint64_t played = 0;
  for (std::size_t at = 0; at + 188 <= clip.size(); at += 188) {
    std::uint8_t *packet = clip.data() + at;
    const int pid = (packet[1] & 0x1F) << 8 | packet[2];
    if ((pid == 0x101 || pid == 0x102) && (packet[3] & 0x10) != 0) {
      packet[3] |= 0x80; // scrambled with the even key
      ++played;
    }
  }
  auto graph = LiveGraph();
  IDvbAvSrcIntf *source = graph->AvSource();
  ASSERT_EQ(0, source->Start(0x102, 0x101, kClipPcr, 7));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  TFeeder(*source, clip).Join();
  std::intptr_t scrambled = 0;
  ASSERT_EQ(0, source->GetParam(0x1001, scrambled));
  EXPECT_EQ(static_cast<std::intptr_t>(played), scrambled);
  std::intptr_t type = 1;
  ASSERT_EQ(0, source->GetParam(5, type));
  EXPECT_EQ(0, type);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(0u, graph->Counts().VideoFrames);
  EXPECT_EQ(0u, graph->Counts().AudioBuffers);
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

TEST(GstAvSource, PlaysAgainAfterTheFeedStoppedAndStartedWithOtherStreams) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink");
  const auto clip = ReadClip("s1_10788v");
  ASSERT_FALSE(clip.empty());
  auto graph = LiveGraph();
  IDvbAvSrcIntf *source = graph->AvSource();
  source->DeliverTs(clip.data(), 188 * 100); // before any Start: dropped
  for (const auto &[video, audio] : {std::pair{0x101, 0x102}, std::pair{0x201, 0x202}}) {
    source->StopFeed();
    ASSERT_TRUE(graph->SetState(TGraphState::Stopped));
    const auto before = graph->Counts();
    ASSERT_EQ(0, source->Start(audio, video, kClipPcr, 7));
    ASSERT_TRUE(graph->SetState(TGraphState::Running));
    TFeeder feeder(*source, clip);
    EXPECT_TRUE(WaitFor([&] {
      const auto counts = graph->Counts();
      return counts.VideoFrames >= before.VideoFrames + 10 &&
             counts.AudioBuffers >= before.AudioBuffers + 10;
    }));
    feeder.Join();
    std::intptr_t value = 0;
    source->GetParam(5, value);
    ASSERT_NE(0, value);
    EXPECT_EQ(video == 0x101 ? "mpeg2" : "h264",
              reinterpret_cast<const TMediaType *>(value)->Subtype);
  }
  EXPECT_TRUE(graph->Counts().Errors.empty());
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

// AAC in LATM (LOAS) framing, as DVB carries it: the demo clips have none, ffmpeg writes it.
TEST(GstAvSource, PlaysAacInLatm) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink");
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no ffmpeg";
  const auto dir =
      std::filesystem::temp_directory_path() / ("qev-latm-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto latm = (dir / "sound.latm").string(), ts = (dir / "sound.ts").string();
  test::Capture("ffmpeg -v error -f lavfi -i sine=f=440:d=3:sample_rate=48000 -ac 2 -c:a aac "
                "-f latm '" +
                latm + "' && ffmpeg -v error -f loas -i '" + latm +
                "' -c copy -f mpegts -mpegts_start_pid 0x100 '" + ts + "'");
  std::ifstream in(ts, std::ios::binary);
  const std::vector<std::uint8_t> clip{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove_all(dir);
  ASSERT_GT(clip.size(), 188u * 100) << "ffmpeg wrote no LATM stream";

  auto graph = LiveGraph();
  IDvbAvSrcIntf *source = graph->AvSource();
  ASSERT_EQ(0, source->Start(0x100, kNone, 0x100, 7));
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  TFeeder feeder(*source, clip);
  EXPECT_TRUE(WaitFor([&] { return graph->Counts().AudioBuffers >= 20; }));
  feeder.Join();
  std::intptr_t value = 0;
  ASSERT_EQ(0, source->GetParam(10, value));
  ASSERT_NE(0, value);
  EXPECT_EQ("aac-latm", reinterpret_cast<const TMediaType *>(value)->Subtype);
  EXPECT_EQ(2, graph->Counts().AudioChannels);
  for (const auto &error : graph->Counts().Errors)
    ADD_FAILURE() << error;
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

TEST(GstAvSource, NeverBlocksTheDeviceThreadWhenNothingReadsAndDropsTheOverflow) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink");
  const auto clip = ReadClip("s1_10788v");
  ASSERT_FALSE(clip.empty());
  auto graph = LiveGraph();
  auto *source = dynamic_cast<gst::TGstAvSource *>(graph->AvSource());
  ASSERT_NE(nullptr, source);
  ASSERT_EQ(0, source->Start(0x102, 0x101, kClipPcr, 7));
  // A live source produces nothing while paused: its queue fills and then overflows.
  ASSERT_TRUE(graph->SetState(TGraphState::Paused));
  std::thread device([&] {
    for (int round = 0; round < 12; ++round)
      source->DeliverTs(clip.data(), static_cast<std::int32_t>(clip.size() / 188 * 188));
  });
  device.join(); // returns: no call blocked
  EXPECT_GT(source->DroppedBytes(), 0u);
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

TEST(GstAvSource, ShowsPicturesOnTheClockWhenFedInRealTime) {
  QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "autoaudiosink");
  const auto clip = ReadClip("s1_10788v");
  ASSERT_FALSE(clip.empty());
  auto graph = LiveGraph(TRenderMode::Show);
  IDvbAvSrcIntf *source = graph->AvSource();
  ASSERT_EQ(0, source->Start(0x102, 0x101, kClipPcr, 7));
  graph->UseAudioClock();
  ASSERT_TRUE(graph->SetState(TGraphState::Running));
  // The clip lasts 3.84 s: 12257 packets in blocks of 64.
  TFeeder feeder(*source, clip, std::chrono::milliseconds(20));
  EXPECT_TRUE(WaitFor([&] { return graph->Counts().VideoFrames >= 25; }))
      << graph->Counts().VideoFrames << " pictures";
  feeder.Join();
  EXPECT_GT(graph->Counts().AudioBuffers, 0u);
  EXPECT_TRUE(graph->SetState(TGraphState::Stopped));
}

} // namespace
} // namespace qev::video
