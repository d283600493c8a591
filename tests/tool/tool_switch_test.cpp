// qevtool switch on a hand-made root whose device is the simulated sky.
#include "data/channel_list.h"
#include "data/sat_list.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace qev;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

namespace {

data::TChannelRec Channel(std::uint32_t freq, char polar, std::uint16_t srate, std::uint16_t sid,
                          const char *name) {
  data::TChannelRec rec{};
  rec.Freq = freq;
  rec.Polar = polar;
  rec.SRate = srate;
  rec.SID = sid;
  rec.SrvType = 1;
  rec.VidPid = 0x100 + sid;
  rec.PcrPid = rec.VidPid;
  rec.AudPid = 0x200 + sid;
  data::SetChName(rec, name);
  return rec;
}

class ToolSwitch : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
    commonArgs = {"--device", "Dev_Sim.int"};
    data::TSatList sats;
    ASSERT_TRUE(sats.SatAdd(DemoSat(1, 192, 1)));
    ASSERT_TRUE(sats.SatAdd(DemoSat(2, 130, 2)));
    data::TChannelsList north(192, 1);
    north.ListAppend(Channel(10788000, 'V', 22000, 1, "North One"));
    north.ListAppend(Channel(10788000, 'V', 22000, 2, "North Two"));
    ASSERT_TRUE(north.ListSaveAll());
    data::TChannelsList south(130, 2);
    south.ListAppend(Channel(11054000, 'H', 27500, 3, "South One"));
    ASSERT_TRUE(south.ListSaveAll());
  }
};

} // namespace

TEST_F(ToolSwitch, SwitchByHandlePrintsTheStepsAndThePids) {
  ASSERT_EQ(Run({"switch", std::to_string(2 * 65536)}), 0) << err.str();
  const std::string text = out.str();
  EXPECT_THAT(text, HasSubstr("notify  5 (256, 0) switch begins\n"));
  EXPECT_THAT(text, HasSubstr("log     Tuning to 11054000 H\n"));
  // Committed port 2, horizontal, low band; then the tune.
  EXPECT_THAT(text, HasSubstr("device  SendDiseqc E0 10 38 F6 -> 0\n"));
  EXPECT_THAT(text, HasSubstr("device  Tune 11054000 kHz 27500000 sym/s LOF 9750000 tone 0 "
                              "voltage 18 -> 0\n"));
  EXPECT_THAT(text, HasSubstr("notify  5 (512, 0) transponder tuned\n"));
  EXPECT_THAT(text, HasSubstr("log     Set PIDs for Channel[0]\n"));
  EXPECT_THAT(text, HasSubstr("device  SetChannelPids slot 0 audio 0x0203 video 0x0103 pcr "
                              "0x0103 flags 23 -> 0\n"));
  EXPECT_THAT(text, HasSubstr("notify  5 (768, 0) switch ended\n"));
  EXPECT_THAT(text, HasSubstr("Switched\n"));
  EXPECT_LT(text.find("(256, 0)"), text.find("Tuning to"));
  EXPECT_LT(text.find("Tuning to"), text.find("SetChannelPids"));
  EXPECT_LT(text.find("SetChannelPids"), text.find("(768, 0)"));
}

TEST_F(ToolSwitch, SwitchByNameInAnotherSlotWithJson) {
  ASSERT_EQ(Run({"--json", "switch", "--name", "north two", "--slot", "1"}), 0) << err.str();
  const auto doc = nlohmann::json::parse(out.str());
  ASSERT_EQ(doc["channels"].size(), 1u);
  EXPECT_EQ(doc["channels"][0]["handle"], 65536 + 1);
  EXPECT_EQ(doc["slot"], 1);
  ASSERT_EQ(doc["pids"].size(), 1u);
  EXPECT_EQ(doc["pids"][0]["slot"], 1);
  EXPECT_EQ(doc["pids"][0]["audio"], 0x202);
  EXPECT_EQ(doc["pids"][0]["flags"], 23);
  EXPECT_EQ(doc["switched"], true);
  // Only slot 0 tunes.
  EXPECT_THAT(doc["steps"].dump(), Not(HasSubstr("Tuning to")));
}

TEST_F(ToolSwitch, ASecondChannelOnTheSameTransponderNeitherTunesNorSendsDiseqc) {
  ASSERT_EQ(Run({"switch", "65536", "--name", "North Two", std::to_string(2 * 65536)}), 0)
      << err.str();
  const std::string text = out.str();
  const auto second = text.find("Channel 65537");
  const auto third = text.find("Channel 131072");
  ASSERT_NE(second, std::string::npos);
  ASSERT_NE(third, std::string::npos);
  const std::string sameTransponder = text.substr(second, third - second);
  EXPECT_THAT(sameTransponder, Not(HasSubstr("SendDiseqc")));
  EXPECT_THAT(sameTransponder, Not(HasSubstr("Tune ")));
  EXPECT_THAT(sameTransponder, HasSubstr("SetChannelPids slot 0 audio 0x0202 video 0x0102 pcr "
                                         "0x0102 flags 23"));
  // The other satellite: its committed switch, then the tune.
  const std::string otherSatellite = text.substr(third);
  EXPECT_LT(otherSatellite.find("SendDiseqc E0 10 38 F6"), otherSatellite.find("Tune 11054000"));
}

TEST_F(ToolSwitch, ChannelsThatDoNotExistAreReported) {
  EXPECT_EQ(Run({"switch", "--name", "Nowhere"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel named Nowhere"));
  EXPECT_EQ(Run({"switch", std::to_string(65536 + 9)}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel with handle 65545"));
}

TEST_F(ToolSwitch, BadArguments) {
  EXPECT_EQ(Run({"switch"}), 2);
  EXPECT_EQ(Run({"switch", "abc"}), 2);
  EXPECT_EQ(Run({"switch", "65536", "--slot", "4"}), 2);
  EXPECT_EQ(Run({"switch", "65536", "--name"}), 2);
}

// play chooses its channel as switch does; what it shows is tested on the demo sky.
TEST_F(ToolSwitch, PlayTakesOneChannelAndReportsOneThatDoesNotExist) {
  EXPECT_EQ(Run({"play"}), 2);
  EXPECT_EQ(Run({"play", "65536", "65537"}), 2);
  EXPECT_EQ(Run({"play", "--name", "North One", "65536"}), 2);
  EXPECT_EQ(Run({"play", "65536", "--seconds", "0"}), 2);
  EXPECT_EQ(Run({"play", "65536", "--slot", "4"}), 2);
  EXPECT_EQ(Run({"play", "--name", "Nowhere"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel named Nowhere"));
  EXPECT_EQ(Run({"play", std::to_string(65536 + 9)}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel with handle 65545"));
}
