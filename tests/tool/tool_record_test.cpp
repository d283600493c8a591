// qevtool record on a played file: the recorder's files hold exactly the packets asked for, split
// or not.
#include "description_file.h"
#include "multiplexer.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <sstream>

using namespace qev;
namespace fs = std::filesystem;

namespace {

// Long enough for parts of 1 MB.
constexpr const char *kStream = "[transponder]\ntsid = 7\nonid = 1\nnetwork_id = 1\n"
                                "start = 2026-12-09 20:00:00\nduration = 12\n"
                                "[service]\nid = 0x21\npmt = 0x100\npcr = 0x101\ntype = 1\n"
                                "name = One\nprovider = Test\n"
                                "[stream]\nkind = mpeg2\npid = 0x101\n";

std::string ReadAll(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolRecord : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
    stream = root / "stream.ts";
    std::istringstream in(kStream);
    tsgen::GenerateFile(tsgen::DescriptionFile::Parse(in), stream.string());
  }
  // Records with the arguments into a fresh folder; the files joined in the order listed.
  std::string Record(std::vector<std::string> args, const std::string &folder,
                     nlohmann::json &doc) {
    args.insert(args.begin(), {"--json", "--ts", stream.string(), "record"});
    args.insert(args.end(), {"--out", (root / folder).string()});
    EXPECT_EQ(Run(args), 0) << err.str();
    doc = nlohmann::json::parse(out.str());
    std::string joined;
    for (const auto &file : doc["files"]) {
      const std::string bytes = ReadAll(file["path"].get<std::string>());
      EXPECT_EQ(bytes.size(), file["bytes"].get<std::size_t>());
      joined += bytes;
    }
    return joined;
  }

  fs::path stream;
};

TEST_F(ToolRecord, TheWholeStreamIsRecordedAsItCameSplitOrNot) {
  const std::string original = ReadAll(stream);
  ASSERT_GT(original.size(), 2u * 1048576) << "the stream is too short to split";
  nlohmann::json doc;
  EXPECT_EQ(Record({"--full"}, "whole", doc), original);
  ASSERT_EQ(doc["files"].size(), 1u);
  EXPECT_EQ(doc["packets"], original.size() / 188);
  EXPECT_EQ(doc["dropped"], 0);
  EXPECT_THAT(doc["files"][0]["path"].get<std::string>(),
              ::testing::MatchesRegex(".* FTS-[0-9]+[HV][.]TS"));

  EXPECT_EQ(Record({"--full", "--split", "1"}, "split", doc), original);
  ASSERT_GE(doc["files"].size(), 3u);
  for (const auto &file : doc["files"]) {
    EXPECT_LE(file["bytes"].get<std::size_t>(), 1048576u);
    EXPECT_EQ(file["bytes"].get<std::size_t>() % 188, 0u);
  }
  EXPECT_THAT(doc["files"][1]["path"].get<std::string>(), ::testing::EndsWith("_001.TS"));
  EXPECT_EQ(doc["dropped"], 0);
}

TEST_F(ToolRecord, ChosenPidsGetARecordingEach) {
  const std::string original = ReadAll(stream);
  std::string expected;
  for (std::size_t at = 0; at + 188 <= original.size(); at += 188)
    if (((original[at + 1] & 0x1F) << 8 | static_cast<std::uint8_t>(original[at + 2])) == 0x101)
      expected += original.substr(at, 188);
  nlohmann::json doc;
  EXPECT_EQ(Record({"--pids", "0x101"}, "pids", doc), expected);
  EXPECT_THAT(doc["files"][0]["path"].get<std::string>(), ::testing::HasSubstr("PID-0x0101"));
  EXPECT_EQ(
      Record({"--pids", "0x101,0"}, "two", doc).size(), expected.size() + [&] {
        std::size_t pat = 0;
        for (std::size_t at = 0; at + 188 <= original.size(); at += 188)
          pat += (original[at + 1] & 0x1F) == 0 && original[at + 2] == 0 ? 188 : 0;
        return pat;
      }());
  EXPECT_EQ(doc["files"].size(), 2u);
}

TEST_F(ToolRecord, ArgumentsAreChecked) {
  EXPECT_EQ(Run({"record"}), 2);
  EXPECT_EQ(Run({"record", "--full", "--pids", "1"}), 2);
  EXPECT_EQ(Run({"record", "--full"}), 2); // no --tp
  EXPECT_EQ(Run({"record", "--pids", "0x1FFF", "--tp", "19.2E,10788,V,22000"}), 2);
  EXPECT_EQ(Run({"record", "--name", "x", "--split", "-1"}), 2);
  EXPECT_EQ(Run({"record", "--name", "x", "--seconds", "0"}), 2);
  EXPECT_EQ(Run({"record", "--name", "No Such Channel"}), 1);
}

} // namespace
