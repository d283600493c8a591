// qevtool tune on a hand-made root whose device is the simulated sky.
#include "data/sat_list.h"
#include "frame/app_paths.h"
#include "tool/tool_main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

class ToolTune : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qev-tune-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "Configs");
    fs::create_directories(root / "Devices");
    fs::copy_file(QEV_SIM_MODULE, root / "Devices/Dev_Sim.int");
    fs::copy_file(QEV_SIM_SKY, root / "Devices/Dev_Sim.ini");
    frame::SetPaths(frame::TAppPaths(root));
    data::TSatList sats;
    ASSERT_TRUE(sats.SatAdd(Sat(1, 192, "QEV Sat 19.2E", 1)));
    ASSERT_TRUE(sats.SatAdd(Sat(2, 130, "QEV Sat 13.0E", 2)));
    ASSERT_TRUE(sats.SatAdd(Sat(3, 282, "Unreachable", 3)));
  }
  void TearDown() override { fs::remove_all(root); }

  static data::TSatRec Sat(std::uint8_t index, std::uint16_t position, const char *name,
                           std::uint8_t port) {
    data::TSatRec sat{};
    sat.SatIdx = index;
    sat.SatPos = position;
    sat.SatActive = 1;
    data::SetSatName(sat, name);
    sat.LofLow = 9750000;
    sat.LofHigh = 10600000;
    sat.LofSwitch = 11700000;
    sat.Sw1 = {2, port, 0, {}, 1, 0}; // committed
    return sat;
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), {"--root", root.string()});
    return tool::RunTool(args, root, out, err);
  }

  fs::path root;
  std::ostringstream out, err;
};

} // namespace

TEST_F(ToolTune, LocksASatelliteNamedByPositionAndPrintsWhatWasSent) {
  ASSERT_EQ(Run({"--device", "Dev_Sim.int", "tune", "19.2E", "10788", "V", "22000"}), 0)
      << err.str();
  EXPECT_THAT(out.str(), HasSubstr("DiSEqC E0 10 38 F0\n"));
  EXPECT_THAT(out.str(), HasSubstr("Lock yes (result 0)\n"));
  EXPECT_THAT(out.str(), HasSubstr("Level 82\n"));
  EXPECT_THAT(out.str(), HasSubstr("Quality 88\n"));
}

TEST_F(ToolTune, SatelliteByIndexWithJsonOutput) {
  ASSERT_EQ(Run({"--json", "--device", "Dev_Sim.int", "tune", "2", "11054000", "h", "27500000"}), 0)
      << err.str();
  const auto doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["diseqc"], nlohmann::json::array({"E0 10 38 F6"}));
  EXPECT_EQ(doc["locked"], true);
  EXPECT_EQ(doc["quality"], 72);
  EXPECT_EQ(doc["request"]["lof"], 9750000);
  EXPECT_EQ(doc["request"]["voltage"], 18);
  EXPECT_EQ(doc["satellite"]["position"], "13.0E");
}

TEST_F(ToolTune, TheRootsActiveDeviceIsUsedWithoutDevice) {
  std::ofstream(root / "Configs/Options.cfg") << "[StartUp]\nActiveDevice=Dev_Sim.int\n";
  EXPECT_EQ(Run({"tune", "13.0E", "12303", "V", "27500"}), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("DiSEqC E0 10 38 F5\n"));
}

TEST_F(ToolTune, NoLockBehindTheWrongPortIsAFailure) {
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "tune", "3", "10788", "V", "22000", "--wait", "300"}),
            1);
  EXPECT_THAT(out.str(), HasSubstr("DiSEqC E0 10 38 F8\n"));
  EXPECT_THAT(out.str(), HasSubstr("Lock no (result 1)"));
  EXPECT_THAT(err.str(), HasSubstr("no lock"));
}

TEST_F(ToolTune, RefusalsAndBadArguments) {
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "tune", "45.0E", "10788", "V", "22000"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no satellite 45.0E"));
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "tune", "1", "10788", "X", "22000"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("neither H nor V"));
  EXPECT_EQ(Run({"tune", "1", "10788", "V"}), 2);
  EXPECT_EQ(Run({"tune", "1", "10.7G", "V", "22000"}), 2);
  EXPECT_EQ(Run({"tune", "1", "10788", "V", "22000"}), 1); // no device anywhere
  EXPECT_EQ(Run({"--device", "Dev_Missing.int", "tune", "1", "10788", "V", "22000"}), 1);
}
