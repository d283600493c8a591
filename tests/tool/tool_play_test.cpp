// qevtool play on a brand-new root seeded with the demo sky, as a user runs it: every TV and
// radio service shows what its transponder description and clip were made with, the scrambled
// one says so, and ffprobe agrees with what a dump of the same transponder holds.
#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "description_file.h"
#include "frame/app_paths.h"
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

// The codecs, by the names qevtool gives them.
std::string CodecName(tsgen::StreamKind kind) {
  switch (kind) {
  case tsgen::StreamKind::Mpeg2Video:
    return "mpeg2";
  case tsgen::StreamKind::H264Video:
    return "h264";
  case tsgen::StreamKind::HevcVideo:
    return "hevc";
  case tsgen::StreamKind::MpegAudio:
    return "mp2";
  case tsgen::StreamKind::Ac3Audio:
    return "ac3";
  case tsgen::StreamKind::Eac3Audio:
    return "eac3";
  case tsgen::StreamKind::AacAudio:
    return "aac";
  default:
    return "";
  }
}

struct TClipShape {
  int Width = 0, Height = 0;
  std::string Aspect;
};

// The picture shape of each clip PID per demo transponder, from the encoder arguments of the
// demo sky's build file ("video:PID:codec:WxH:AxB:...").
std::map<std::pair<std::string, int>, TClipShape> ClipShapes() {
  std::ifstream in(QEV_DEMO_BUILD_FILE);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::map<std::pair<std::string, int>, TClipShape> shapes;
  const std::regex block(R"(qev_demo_transponder\((\w+)([^)]*)\))");
  const std::regex video(R"("video:(\d+):\w+:(\d+)x(\d+):(\d+)x(\d+):)");
  for (std::sregex_iterator b(text.begin(), text.end(), block), end; b != end; ++b) {
    const std::string args = (*b)[2];
    for (std::sregex_iterator v(args.begin(), args.end(), video); v != end; ++v)
      shapes[{(*b)[1], std::stoi((*v)[1])}] = {std::stoi((*v)[2]), std::stoi((*v)[3]),
                                               std::string((*v)[4]) + ":" + std::string((*v)[5])};
  }
  return shapes;
}

const tsgen::Stream *StreamOf(const tsgen::Service &service, std::uint16_t pid) {
  for (const tsgen::Stream &stream : service.streams)
    if (stream.pid == pid)
      return &stream;
  return nullptr;
}

std::string Upper(std::string text) {
  for (char &c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

class ToolPlay : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qev-play-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    for (const char *element : {"tsdemux", "appsrc", "fakesink"})
      if (std::system(("gst-inspect-1.0 --exists " + std::string(element)).c_str()) != 0)
        GTEST_SKIP() << "GStreamer element " << element << " is missing";
    Tool("sats"); // seeds the root
    frame::SetPaths(frame::TAppPaths(root));
    sats.SatLoad();
    lists.ListsSync();
  }
  void TearDown() override { fs::remove_all(root); }

  std::string Tool(const std::string &arguments) const {
    return test::Capture(std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' " + arguments +
                         " 2>/dev/null");
  }
  // The document of a play, or a null one when the output is no JSON.
  nlohmann::json Play(const std::string &target, int seconds = 3,
                      const std::string &common = "--device Dev_Sim.int") const {
    return nlohmann::json::parse(
        Tool(common + " --json play " + target + " --seconds " + std::to_string(seconds)), nullptr,
        false);
  }
  std::optional<data::TChannelRec> Channel(const std::string &name) const {
    for (const data::TSatRec &sat : sats.Items()) {
      const data::TChannelsList *list = lists.ListOf(sat.SatIdx);
      const int position = list ? list->ListFindByName(name) : -1;
      if (position >= 0)
        return list->Item(position);
    }
    return std::nullopt;
  }

  fs::path root;
  data::TSatList sats;
  data::TChannelLists lists{sats};
};

class ToolPlayTransponder : public ToolPlay, public ::testing::WithParamInterface<const char *> {};

// Every TV and radio service of the transponder: the codecs, shape and language it was made
// with, pictures and sound that arrived after the switch; the scrambled one shows nothing.
TEST_P(ToolPlayTransponder, EveryServiceShowsWhatItWasMadeWith) {
  const std::string name = GetParam();
  const tsgen::Transponder described =
      tsgen::DescriptionFile::Load((root / "Devices/Sky" / (name + ".txt")).string());
  const auto shapes = ClipShapes();
  int tvPlayed = 0, radioPlayed = 0;
  for (const tsgen::Service &service : described.services) {
    SCOPED_TRACE(service.name);
    const auto channel = Channel(service.name);
    ASSERT_TRUE(channel);
    const bool tv = channel->SrvType == 1, radio = channel->SrvType == 2;
    if (!tv && !radio)
      continue;
    const nlohmann::json doc = Play("--name '" + service.name + "'");
    ASSERT_TRUE(doc.is_object());
    EXPECT_EQ(doc["channel"], service.name);
    EXPECT_EQ(doc["errors"], nlohmann::json::array());
    const tsgen::Stream *audio = StreamOf(service, channel->AudPid);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(doc["audio"]["language"], Upper(audio->language));
    if (!service.ca.empty()) { // nothing to tell the codecs by
      EXPECT_EQ(doc["scrambled"], true);
      EXPECT_EQ(doc["video"]["frames"], 0);
      EXPECT_EQ(doc["audio"]["buffers"], 0);
      const std::string text =
          Tool("--device Dev_Sim.int play --name '" + service.name + "' --seconds 2");
      EXPECT_NE(text.find("\nscrambled\n"), std::string::npos) << text;
      EXPECT_NE(text.find("\nFrames 0 (none yet)\n"), std::string::npos) << text;
      continue;
    }
    EXPECT_FALSE(doc.contains("scrambled"));
    EXPECT_EQ(doc["audio"]["codec"], CodecName(audio->kind));
    EXPECT_GT(doc["audio"]["buffers"].get<int>(), 0);
    EXPECT_GT(doc["audio"]["first_buffer_ms"].get<int>(), 0);
    EXPECT_GT(doc["audio"]["channels"].get<int>(), 0);
    EXPECT_GT(doc["audio"]["rate"].get<int>(), 0);
    ASSERT_EQ(doc.contains("video"), tv);
    if (radio) {
      ++radioPlayed;
      continue;
    }
    const tsgen::Stream *video = StreamOf(service, channel->VidPid);
    ASSERT_NE(video, nullptr);
    const TClipShape shape = shapes.at({name, video->sourcePid.value_or(video->pid)});
    EXPECT_EQ(doc["video"]["codec"], CodecName(video->kind));
    EXPECT_EQ(doc["video"]["width"], shape.Width);
    EXPECT_EQ(doc["video"]["height"], shape.Height);
    EXPECT_EQ(doc["video"]["aspect"], shape.Aspect);
    EXPECT_GT(doc["video"]["frames"].get<int>(), 0);
    EXPECT_GT(doc["video"]["first_frame_ms"].get<int>(), 0);
    ++tvPlayed;
  }
  EXPECT_GT(tvPlayed, 0);
  EXPECT_GT(radioPlayed, 0);
}

INSTANTIATE_TEST_SUITE_P(DemoSky, ToolPlayTransponder,
                         ::testing::Values("s1_10788v", "s1_12188h", "s2_11054h", "s2_12303v"));

// ffprobe reads a dump of the transponder as play showed it; the dump played through --ts
// shows the same.
TEST_F(ToolPlay, FfprobeAgreesOnADumpAndTheDumpPlaysThroughTs) {
  const fs::path dump = root / "dump.ts";
  Tool("--device Dev_Sim.int dump 19.2E 10788 V 22000 --seconds 4 --out '" + dump.string() + "'");
  ASSERT_TRUE(fs::exists(dump));
  const nlohmann::json live = Play("--name 'QEV One'");
  ASSERT_TRUE(live.is_object());
  ASSERT_TRUE(live.contains("video")) << live.dump();
  const auto satList = [&] {
    std::ifstream in(root / "SatFiles/SatList.dat", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string satsBefore = satList();
  const nlohmann::json fromFile = Play("--name 'QEV One'", 8, "--ts '" + dump.string() + "'");
  EXPECT_EQ(satList(), satsBefore); // the file's satellite is not the root's
  ASSERT_TRUE(fromFile.is_object());
  ASSERT_TRUE(fromFile.contains("video")) << fromFile.dump();
  EXPECT_EQ(fromFile["video"]["codec"], live["video"]["codec"]);
  EXPECT_EQ(fromFile["video"]["width"], live["video"]["width"]);
  EXPECT_EQ(fromFile["video"]["aspect"], live["video"]["aspect"]);
  EXPECT_EQ(fromFile["audio"]["language"], live["audio"]["language"]);
  EXPECT_GT(fromFile["video"]["frames"].get<int>(), 0);

  if (!test::HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  const auto probe = nlohmann::json::parse(
      test::Capture("ffprobe -v error -show_entries stream=id,codec_name,width,height,"
                    "display_aspect_ratio -of json '" +
                    dump.string() + "'"),
      nullptr, false);
  ASSERT_TRUE(probe.is_object());
  const auto channel = Channel("QEV One");
  ASSERT_TRUE(channel);
  bool found = false;
  for (const auto &stream : probe["streams"]) {
    if (std::stoi(stream.value("id", "0"), nullptr, 16) != channel->VidPid)
      continue;
    found = true;
    const std::map<std::string, std::string> names = {
        {"mpeg2video", "mpeg2"}, {"h264", "h264"}, {"hevc", "hevc"}};
    EXPECT_EQ(names.at(stream["codec_name"]), live["video"]["codec"]);
    EXPECT_EQ(stream["width"], live["video"]["width"]);
    EXPECT_EQ(stream["height"], live["video"]["height"]);
    EXPECT_EQ(stream["display_aspect_ratio"], live["video"]["aspect"]);
  }
  EXPECT_TRUE(found) << probe.dump();
}

} // namespace
