// Reading a sky and its stream descriptions into the demo root: the two must tell one story.
#include "data/channel_list.h"
#include "data/sat_list.h"
#include "data/transponder_list.h"
#include "demo_root.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <unistd.h>

using namespace qev;
using namespace qev::sim::demo;
namespace fs = std::filesystem;

namespace {

constexpr const char *kDescription = R"([transponder]
tsid = 0x0007
frequency = 11778000
polarisation = V
symbol_rate = 27500000
orbital = 30W
start = 2024-05-01 12:00:00
[service]
id = 0x0010
pmt = 0x0100
name = First
[service]
id = 0x0011
pmt = 0x0200
name = Second
)";

class DemoSky : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-demo-sky-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    Write("a.txt", kDescription);
  }
  void TearDown() override { fs::remove_all(dir); }

  void Write(const std::string &name, const std::string &text) {
    std::ofstream(dir / name) << text;
  }
  void WriteSky(const std::string &path, const std::string &tp = "11778000,V,27500000") {
    Write("sky.ini", "[Sky]\nLnbLow=9750000\nLnbHigh=10600000\n[West]\n" + path + "\nTP1=" + tp +
                         ",Sky/a.ts,80,80,0\n");
  }
  TDemoSky Read() { return ReadDemoSky(dir / "sky.ini", dir, TScanRules{}); }

  fs::path dir;
};

TEST_F(DemoSky, TheSatelliteTakesItsPositionFromTheStreamsAndItsDishFromTheSky) {
  WriteSky("Committed=3");
  const TDemoSky sky = Read();
  ASSERT_EQ(sky.Satellites.size(), 1u);
  const TDemoSatellite &west = sky.Satellites[0];
  EXPECT_EQ(data::SatName(west.Sat), "West");
  EXPECT_EQ(west.Sat.SatIdx, 1);
  EXPECT_EQ(west.Sat.SatPos, 3300);
  EXPECT_EQ(west.PositionText, "3300");
  EXPECT_EQ(west.Sat.Sw1.SwPort, 3);
  EXPECT_EQ(west.Sat.LofLow, 9750000);
  EXPECT_EQ(west.Sat.LofSwitch, kUniversalLofSwitch);
  ASSERT_EQ(west.Transponders.size(), 1u);
  EXPECT_EQ(data::TpText(west.Transponders[0]), "11778,V,27500");
  ASSERT_EQ(west.Channels.size(), 2u);
  EXPECT_EQ(data::ChName(west.Channels[1]), "Second");
  EXPECT_EQ(west.Channels[1].SatIndex, 1);
  EXPECT_GT(sky.Now, 45000);
}

TEST_F(DemoSky, WrittenListsLoadBackThroughTheDataLayer) {
  WriteSky("Committed=1");
  const fs::path root = dir / "root";
  WriteDemoRoot(Read(), root);
  WriteDemoRoot(Read(), root); // a rebuild replaces, never adds
  data::TSatList sats;
  ASSERT_TRUE(sats.SatLoad());
  ASSERT_EQ(sats.Count(), 1);
  data::TChannelsList list(3300, 1);
  ASSERT_TRUE(list.ListLoad());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0).TimeAdd, list.Item(0).TimeUpd);
  EXPECT_GT(list.Item(0).TimeAdd, 0);
  data::TSatTransponders tps;
  ASSERT_TRUE(tps.TpLoadIni(data::TransponderFileName(3300)));
  EXPECT_EQ(tps.Count(), 1);
}

TEST_F(DemoSky, SkyAndDescriptionsThatDisagreeAreRefused) {
  WriteSky("Committed=1", "11778000,H,27500000");
  EXPECT_THROW(Read(), std::runtime_error) << "polarisation";
  WriteSky("Committed=1", "11778000,V,22000000");
  EXPECT_THROW(Read(), std::runtime_error) << "symbol rate";
  WriteSky("Committed=1\nTP2=12000000,H,27500000,Sky/b.ts,80,80,0");
  std::string east = kDescription;
  east.replace(east.find("11778000"), 8, "12000000");
  east.replace(east.find("V\n"), 1, "H");
  east.replace(east.find("30W"), 3, "30E");
  Write("b.txt", east);
  EXPECT_THROW(Read(), std::runtime_error) << "two positions for one satellite";
}

TEST_F(DemoSky, OnlyCommittedSwitchesCanBeStored) {
  WriteSky("Uncommitted=2");
  EXPECT_THROW(Read(), std::runtime_error);
  WriteSky("Committed=1\nPosition=4");
  EXPECT_THROW(Read(), std::runtime_error);
}

} // namespace
