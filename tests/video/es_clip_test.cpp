// Detection on the demo sky's clips, whose streams an encoder wrote, checked against what the
// clips were made with and against ffprobe's reading of the same clips.
#include "video/es_fixtures.h"

#include "support/run_command.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace qev::video {
namespace {

struct TClipStream {
  const char *Clip;
  std::uint16_t Pid;
  const char *Subtype;
  std::uint32_t Width, Height, AspectX, AspectY; // video
  std::uint32_t Rate, Channels, BytesPerSec;     // audio
};

const TClipStream kStreams[] = {
    {"s1_10788v", 0x101, "mpeg2", 720, 576, 4, 3, 0, 0, 0},
    {"s1_12188h", 0x101, "mpeg2", 720, 576, 16, 9, 0, 0, 0},
    {"s1_10788v", 0x201, "h264", 1280, 720, 16, 9, 0, 0, 0},
    {"s1_12188h", 0x201, "hevc", 1280, 720, 16, 9, 0, 0, 0},
    {"s1_10788v", 0x102, "mpa", 0, 0, 0, 0, 48000, 2, 24000},
    {"s1_10788v", 0x204, "ac3", 0, 0, 0, 0, 48000, 2, 24000},
    {"s1_12188h", 0x202, "eac3", 0, 0, 0, 0, 48000, 2, 24000},
    {"s1_12188h", 0x302, "aac", 0, 0, 0, 0, 48000, 2, 0},
};

bool IsVideo(const TClipStream &s) { return s.Width != 0; }

std::optional<test::TBytes> Clip(const char *name) {
  const auto path = test::DemoClip(name);
  if (!std::filesystem::exists(path))
    return std::nullopt;
  return test::ReadFile(path);
}

TEST(EsClipDetection, DemoClipsStreamsAreRecognised) {
  for (const TClipStream &s : kStreams) {
    const auto clip = Clip(s.Clip);
    if (!clip)
      GTEST_SKIP() << "the demo sky's clips are not built (no GStreamer)";
    SCOPED_TRACE(std::string(s.Clip) + " PID " + std::to_string(s.Pid));
    const auto type =
        test::WatchClip(*clip, s.Pid, IsVideo(s) ? TMajorType::Video : TMajorType::Audio);
    ASSERT_TRUE(type);
    EXPECT_EQ(type->Subtype, s.Subtype);
    EXPECT_TRUE(type->HasFormat);
    if (IsVideo(s)) {
      EXPECT_EQ(type->FormatType, TFormatType::Mpeg2Video);
      EXPECT_EQ(type->Width, s.Width);
      EXPECT_EQ(type->Height, s.Height);
      EXPECT_EQ(type->AspectX, s.AspectX);
      EXPECT_EQ(type->AspectY, s.AspectY);
      if (type->Subtype == "mpeg2") {
        EXPECT_GT(type->BitRate, 1000000u); // encoded at 1.5 Mbit/s
      }
    } else {
      EXPECT_EQ(type->FormatType, TFormatType::WaveFormatEx);
      EXPECT_EQ(type->SamplesPerSec, s.Rate);
      EXPECT_EQ(type->Channels, s.Channels);
      EXPECT_EQ(type->AvgBytesPerSec, s.BytesPerSec);
    }
  }
}

// ffprobe's key=value fields of each stream, by PID.
std::map<std::uint16_t, std::map<std::string, std::string>> Probe(const std::string &path) {
  const std::string out =
      test::Capture("ffprobe -v error -show_entries "
                    "stream=id,codec_name,width,height,display_aspect_ratio,sample_rate,channels "
                    "-of compact=p=0 '" +
                    path + "'");
  std::map<std::uint16_t, std::map<std::string, std::string>> streams;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::map<std::string, std::string> fields;
    std::istringstream items(line);
    for (std::string item; std::getline(items, item, '|');)
      if (const auto eq = item.find('='); eq != std::string::npos)
        fields[item.substr(0, eq)] = item.substr(eq + 1);
    if (fields.count("id"))
      streams[static_cast<std::uint16_t>(std::stoul(fields["id"], nullptr, 16))] = fields;
  }
  return streams;
}

std::string FfprobeCodec(const std::string &subtype) {
  static const std::map<std::string, std::string> kNames = {
      {"mpeg2", "mpeg2video"}, {"h264", "h264"}, {"hevc", "hevc"}, {"mpa", "mp2"},
      {"ac3", "ac3"},          {"eac3", "eac3"}, {"aac", "aac"},   {"aac-latm", "aac_latm"}};
  return kNames.at(subtype);
}

// Every audio and video stream of every demo clip, read by both.
TEST(EsClipDetection, AgreesWithFfprobeOnEveryDemoStream) {
  if (!test::HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  int compared = 0;
  for (const char *name : {"s1_10788v", "s1_12188h", "s2_11054h", "s2_12303v"}) {
    const auto clip = Clip(name);
    if (!clip)
      GTEST_SKIP() << "the demo sky's clips are not built (no GStreamer)";
    for (auto &[pid, fields] : Probe(test::DemoClip(name).string())) {
      SCOPED_TRACE(std::string(name) + " PID " + std::to_string(pid));
      const bool video = fields.count("width") != 0;
      const auto type = test::WatchClip(*clip, pid, video ? TMajorType::Video : TMajorType::Audio);
      ASSERT_TRUE(type);
      EXPECT_EQ(FfprobeCodec(type->Subtype), fields["codec_name"]);
      if (video) {
        EXPECT_EQ(std::to_string(type->Width), fields["width"]);
        EXPECT_EQ(std::to_string(type->Height), fields["height"]);
        EXPECT_EQ(std::to_string(type->AspectX) + ":" + std::to_string(type->AspectY),
                  fields["display_aspect_ratio"]);
      } else {
        EXPECT_EQ(std::to_string(type->SamplesPerSec), fields["sample_rate"]);
        EXPECT_EQ(std::to_string(type->Channels), fields["channels"]);
      }
      ++compared;
    }
  }
  EXPECT_GE(compared, 25);
}

} // namespace
} // namespace qev::video
