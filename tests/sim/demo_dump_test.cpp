// qevtool dump on a brand-new root, as a user runs it: a transponder of the demo sky into a
// file that ffprobe reads, and a recorded file copied whole through --ts.
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DemoDump : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("qev-demo-dump-" + std::to_string(::getpid()));
    fs::remove_all(root);
  }
  void TearDown() override { fs::remove_all(root); }
  std::string Tool(const std::string &arguments) const {
    return qev::test::Capture(std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' " +
                              arguments + " 2>&1");
  }

  fs::path root;
};

TEST_F(DemoDump, ATransponderOfTheDemoSkyGoesIntoAFileThatFfprobeReads) {
  const fs::path file = root / "F.ts";
  const std::string output =
      Tool("dump 19.2E 10788 V 22000 --seconds 2 --out '" + file.string() + "'");
  ASSERT_NE(output.find("Lock yes"), std::string::npos) << output;
  ASSERT_NE(output.find("File " + file.string()), std::string::npos) << output;
  ASSERT_TRUE(fs::exists(file));
  EXPECT_GT(fs::file_size(file), 0u);
  EXPECT_EQ(fs::file_size(file) % 188, 0u);
  if (!qev::test::HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  const std::string quote = "'" + file.string() + "'";
  EXPECT_EQ(qev::test::Capture("ffprobe -v error -show_streams " + quote + " 2>&1 >/dev/null"), "");
  const std::string streams = qev::test::Capture(
      "ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " + quote + " 2>/dev/null");
  EXPECT_NE(streams.find("video"), std::string::npos) << streams;
  EXPECT_NE(streams.find("audio"), std::string::npos) << streams;
}

TEST_F(DemoDump, WithTsARecordingIsCopiedWholeAndTheDumpEndsWithIt) {
  Tool("sats"); // seeds the root with the demo sky's clips, recordings of their own
  const fs::path recording = root / "Devices/Sky/s1_12188h_av.ts";
  ASSERT_TRUE(fs::exists(recording));
  const fs::path file = root / "G.ts";
  const std::string output =
      Tool("--ts '" + recording.string() + "' dump --out '" + file.string() + "'");
  EXPECT_NE(output.find("Stream ended yes"), std::string::npos) << output;
  EXPECT_EQ(ReadAll(file), ReadAll(recording));
}

} // namespace
