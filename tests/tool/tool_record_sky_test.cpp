// qevtool record on a brand-new root seeded with the demo sky, as a user runs it: ffprobe opens
// the channel recording with its picture and sound, and split parts hold whole packets.
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ToolRecordSky : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("qev-record-sky-" + std::to_string(::getpid()));
    fs::remove_all(root);
    tool = std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' ";
    qev::test::Capture(tool + "sats >/dev/null 2>&1"); // seeds the root
    if (!fs::exists(root / "Devices/Sky"))
      GTEST_SKIP() << "the demo sky was not built";
  }
  void TearDown() override { fs::remove_all(root); }

  nlohmann::json Record(const std::string &arguments) {
    return nlohmann::json::parse(
        qev::test::Capture(tool + "--json record " + arguments + " 2>/dev/null"), nullptr, false);
  }

  fs::path root;
  std::string tool;
};

TEST_F(ToolRecordSky, AChannelRecordingOpensInFfprobeWithPictureAndSound) {
  const nlohmann::json doc =
      Record("--name 'QEV One' --seconds 10 --out '" + (root / "out").string() + "'");
  ASSERT_TRUE(doc.contains("files")) << doc.dump(1);
  ASSERT_EQ(doc["files"].size(), 1u);
  EXPECT_EQ(doc["dropped"], 0);
  const std::string file = doc["files"][0]["path"];
  if (qev::test::Capture("command -v ffprobe").empty())
    GTEST_SKIP() << "ffprobe is not installed";
  const nlohmann::json probe = nlohmann::json::parse(
      qev::test::Capture("ffprobe -v error -print_format json -show_format -show_streams '" + file +
                         "'"),
      nullptr, false);
  ASSERT_TRUE(probe.contains("streams")) << probe.dump(1);
  bool video = false, audio = false;
  for (const auto &stream : probe["streams"]) {
    video = video || stream["codec_type"] == "video";
    audio = audio || stream["codec_type"] == "audio";
  }
  EXPECT_TRUE(video);
  EXPECT_TRUE(audio);
  const double seconds = std::stod(probe["format"]["duration"].get<std::string>());
  EXPECT_GT(seconds, 8.0);
  EXPECT_LT(seconds, 12.0);
}

TEST_F(ToolRecordSky, SplitPartsOfTheWholeTransponderHoldWholePackets) {
  const nlohmann::json doc = Record("--full --tp 19.2E,10788,V,22000 --seconds 6 --split 2 "
                                    "--out '" +
                                    (root / "out").string() + "'");
  ASSERT_TRUE(doc.contains("files")) << doc.dump(1);
  ASSERT_GE(doc["files"].size(), 2u);
  std::size_t bytes = 0;
  for (const auto &file : doc["files"]) {
    EXPECT_LE(file["bytes"].get<std::size_t>(), 2u * 1048576);
    EXPECT_EQ(file["bytes"].get<std::size_t>() % 188, 0u);
    bytes += file["bytes"].get<std::size_t>();
  }
  EXPECT_EQ(doc["packets"].get<std::size_t>(), bytes / 188);
  EXPECT_EQ(doc["dropped"], 0);
}

} // namespace
