// qevtool teletext over --ts files made by tsgen: subtitles in two national sets come out as
// their captions and as libzvbi reads the same stream; pages keep their national characters.
#include "description_file.h"
#include "multiplexer.h"
#include "support/zvbi_peer.h"
#include "test_stream.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

constexpr const char *kTeletextDescription = R"([transponder]
tsid = 7
onid = 1
network_id = 1
start = 2026-12-09 20:00:00
duration = 10
[service]
id = 0x21
pmt = 0x100
pcr = 0x101
type = 1
name = Sub One
provider = Test
[stream]
kind = mpeg2
pid = 0x101
[stream]
kind = teletext
pid = 0x104
teletext = ger initial 100, ger subtitle 888, fra subtitle 777
[page]
number = 100
national = 1
row = 1 Grüße aus Köln: Straße
[page]
number = 100
subcode = 2
national = 1
row = 1 Zweite Seite: äöü
[page]
number = 300
national = 6
row = 1 Počasí v Praze: příjemný den
[page]
number = 888
national = 1
subtitle = 1
caption = Schöne Grüße|aus München
caption = Über die Brücke
caption = Ärger im Büro|heißt: weiß
caption_seconds = 1
[page]
number = 777
national = 4
subtitle = 1
caption = Où est le café ?|Très bien
caption = A bientôt, élève
caption_seconds = 1.5
)";

using Lines = std::vector<std::string>;

// The captions of the description, line by line.
const std::map<int, std::vector<Lines>> kCaptions = {
    {888, {{"Schöne Grüße", "aus München"}, {"Über die Brücke"}, {"Ärger im Büro", "heißt: weiß"}}},
    {777, {{"Où est le café ?", "Très bien"}, {"A bientôt, élève"}}}};

class ToolTeletext : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
    stream = root / "teletext.ts";
    std::istringstream in(kTeletextDescription);
    tsgen::GenerateFile(tsgen::DescriptionFile::Parse(in), stream.string());
  }
  nlohmann::json Teletext(std::vector<std::string> args, int &code) {
    args.insert(args.begin(), {"--json", "--ts", stream.string(), "teletext"});
    code = Run(args);
    return nlohmann::json::parse(out.str(), nullptr, false);
  }
  std::vector<Lines> Subtitles(int page) {
    int code = -1;
    const nlohmann::json doc = Teletext({"--subtitles", "--page", std::to_string(page)}, code);
    EXPECT_EQ(code, 0) << err.str();
    std::vector<Lines> subtitles;
    for (const auto &s : doc["subtitles"]) {
      EXPECT_EQ(s["page"], page);
      subtitles.push_back(s["lines"].get<Lines>());
    }
    return subtitles;
  }
  std::vector<std::uint8_t> StreamBytes() const {
    std::ifstream in(stream, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path stream;
};

TEST_F(ToolTeletext, SubtitlesComeOutAsTheirCaptionsInTurn) {
  for (const auto &[page, captions] : kCaptions) {
    const std::vector<Lines> subtitles = Subtitles(page);
    ASSERT_GE(subtitles.size(), captions.size()) << page;
    for (std::size_t i = 0; i < subtitles.size(); ++i)
      EXPECT_EQ(subtitles[i], captions[i % captions.size()]) << page << " #" << i;
  }
}

TEST_F(ToolTeletext, SubtitlesAgreeWithLibzvbiReadingTheSameStream) {
#ifndef QEV_HAVE_ZVBI
  GTEST_SKIP() << "libzvbi is not installed";
#else
  for (const int page : {888, 777}) {
    std::vector<Lines> peer;
    test::TZvbiPeer *self = nullptr;
    test::TZvbiPeer zvbi(0x104, [&](int number, int subno) {
      if (number != page)
        return;
      Lines rows = self->Rows(number, subno, 20, 24);
      if (!rows.empty() && (peer.empty() || peer.back() != rows))
        peer.push_back(rows);
    });
    self = &zvbi;
    zvbi.Feed(StreamBytes());
    ASSERT_FALSE(peer.empty()) << page;
    EXPECT_EQ(Subtitles(page), peer) << page;
  }
#endif
}

TEST_F(ToolTeletext, PagesKeepTheirNationalCharacters) {
  const std::map<int, std::string> firstRows = {{100, "Grüße aus Köln: Straße"},
                                                {300, "Počasí v Praze: příjemný den"}};
  for (const auto &[page, text] : firstRows) {
    int code = -1;
    const nlohmann::json doc = Teletext({"--page", std::to_string(page)}, code);
    ASSERT_EQ(code, 0) << err.str();
    ASSERT_EQ(doc["pages"].size(), 1u);
    const nlohmann::json &got = doc["pages"][0];
    EXPECT_EQ(got["page"], page);
    EXPECT_EQ(got["subpage"], 0);
    ASSERT_EQ(got["rows"].size(), 25u);
    EXPECT_EQ(got["rows"][1], text);
    EXPECT_THAT(got["rows"][0].get<std::string>(), HasSubstr(std::to_string(page)));
  }
#ifdef QEV_HAVE_ZVBI
  test::TZvbiPeer zvbi(0x104, nullptr);
  zvbi.Feed(StreamBytes());
  EXPECT_EQ(zvbi.Rows(100, 0, 1, 1), Lines{"Grüße aus Köln: Straße"});
  EXPECT_EQ(zvbi.Rows(300, 0, 1, 1), Lines{"Počasí v Praze: příjemný den"});
#endif
}

TEST_F(ToolTeletext, TheDescriptorNamesTheSubtitlePageAndTextOutputIsPlain) {
  int code = Run({"--ts", stream.string(), "teletext", "--subtitles"});
  ASSERT_EQ(code, 0) << err.str();
  // The channel record lists the subtitle streams French first.
  EXPECT_THAT(out.str(), HasSubstr("Où est le café ?\nTrès bien\n\nA bientôt, élève\n\n"));
  code = Run({"--ts", stream.string(), "teletext"});
  ASSERT_EQ(code, 0) << err.str();
  std::istringstream lines(out.str());
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);)
    rows.push_back(line);
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(rows[1], "Grüße aus Köln: Straße");
}

TEST_F(ToolTeletext, BadArgumentsExitTwoAndMissingTeletextOne) {
  EXPECT_EQ(Run({"teletext"}), 2);
  EXPECT_EQ(Run({"teletext", "--name", "x", "--page", "950"}), 2);
  EXPECT_EQ(Run({"teletext", "--name", "x", "--seconds", "0"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "teletext", "--name", "Sub One"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "teletext", "--page", "555"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("page 555 was not received"));
  const fs::path plain = test::MakeTestStream("teletext-none");
  EXPECT_EQ(Run({"--ts", plain.string(), "teletext"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("carries teletext"));
  fs::remove(plain);
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "teletext", "--name", "Nowhere"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel named Nowhere"));
}

} // namespace
