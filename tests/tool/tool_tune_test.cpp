// qevtool tune on a hand-made root whose device is the simulated sky.
#include "data/sat_list.h"
#include "tool_root.h"

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

class ToolTune : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
    data::TSatList sats;
    ASSERT_TRUE(sats.SatAdd(DemoSat(1, 192, 1, "QEV Sat 19.2E")));
    ASSERT_TRUE(sats.SatAdd(DemoSat(2, 130, 2, "QEV Sat 13.0E")));
    ASSERT_TRUE(sats.SatAdd(DemoSat(3, 282, 3, "Unreachable")));
  }
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

TEST_F(ToolTune, TheActiveDeviceIsFoundInAnyLetterCaseAsTheProgramFindsIt) {
  std::ofstream(root / "Configs/Options.cfg") << "[StartUp]\nActiveDevice=dev_sim.INT\n";
  EXPECT_EQ(Run({"tune", "13.0E", "12303", "V", "27500"}), 0) << err.str();
  EXPECT_EQ(Run({"--device", "DEV_SIM.int", "tune", "13.0E", "12303", "V", "27500"}), 0)
      << err.str();
}

TEST_F(ToolTune, AModuleThatCannotBeLoadedSaysWhy) {
  std::ofstream(root / "Devices/Dev_Broken.int") << "not a library";
  EXPECT_EQ(Run({"--device", "Dev_Broken.int", "tune", "1", "10788", "V", "22000"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("qevtool: Cannot load: Dev_Broken.int\nqevtool: " +
                                   (root / "Devices/Dev_Broken.int").string() + ": "));
}

TEST_F(ToolTune, NoLockBehindTheWrongPortIsAFailure) {
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "tune", "3", "10788", "V", "22000", "--wait", "300"}),
            1);
  EXPECT_THAT(out.str(), HasSubstr("DiSEqC E0 10 38 F8\n"));
  EXPECT_THAT(out.str(), HasSubstr("Lock no (result 1)"));
  EXPECT_THAT(err.str(), HasSubstr("no lock"));
}

TEST_F(ToolTune, WithoutAWaitALockStillToComeIsReportedAsPending) {
  // The demo sky locks only after a delay, so right after Tune there is no lock yet.
  ASSERT_EQ(Run({"--device", "Dev_Sim.int", "tune", "19.2E", "10788", "V", "22000", "--wait", "0"}),
            0)
      << err.str();
  EXPECT_THAT(out.str(), HasSubstr("Lock pending (result 0)\n"));
  EXPECT_EQ(err.str(), "");
  ASSERT_EQ(Run({"--json", "--device", "Dev_Sim.int", "tune", "19.2E", "10788", "V", "22000",
                 "--wait", "0"}),
            0);
  const auto doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["lockPending"], true);
  EXPECT_EQ(doc["locked"], false);
}

TEST_F(ToolTune, ASatelliteWithoutLnbFrequenciesIsNamedAsSuch) {
  data::TSatList sats;
  sats.SatLoad();
  data::TSatRec noLnb = DemoSat(4, 50, 1, "No LNB");
  noLnb.LofLow = noLnb.LofHigh = noLnb.LofSwitch = 0;
  ASSERT_TRUE(sats.SatAdd(noLnb));
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "tune", "4", "10788", "V", "22000"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("satellite 4 has no LNB frequencies"));
  EXPECT_THAT(err.str(), ::testing::Not(HasSubstr("no satellite loaded")));
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

// The receiver's LNB settings against a sky with a C band satellite: what a user would type
// locks, a band switch set backwards does not.
TEST_F(ToolTune, ACBandSatelliteLocksAndABackwardsBandSwitchDoesNot) {
  std::ofstream(root / "Devices/Dev_Sim.ini") << "[C band]\nCommitted=1\nLnb=cband\n"
                                                 "TP1=3900,H,27500,none.ts,70,71,0\n"
                                                 "[Ku]\nCommitted=2\n"
                                                 "TP1=10788,V,22000,none.ts,80,81,0,S2-8PSK\n";
  data::TSatList sats;
  data::TSatRec cBand = DemoSat(4, 3550, 1, "C band 5.0W");
  cBand.LofLow = cBand.LofHigh = 5150000;
  cBand.LofSwitch = 0;
  data::TSatRec swapped = DemoSat(5, 100, 2, "Oscillators swapped");
  std::swap(swapped.LofLow, swapped.LofHigh);
  data::TSatRec noSwitch = DemoSat(6, 90, 2, "Always high band");
  noSwitch.LofSwitch = 0;
  sats.SatLoad();
  ASSERT_TRUE(sats.SatAdd(cBand) && sats.SatAdd(swapped) && sats.SatAdd(noSwitch));

  const std::vector<std::string> device = {"--device", "Dev_Sim.int", "tune"};
  auto tune = [&](std::vector<std::string> args) {
    args.insert(args.begin(), device.begin(), device.end());
    return Run(args);
  };
  ASSERT_EQ(tune({"4", "3900", "H", "27500"}), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("LOF 5150000 tone 1 voltage 18"));
  EXPECT_THAT(out.str(), HasSubstr("Quality 71\n"));
  EXPECT_THAT(out.str(), HasSubstr("Delivery DVB-S QPSK\n"));
  ASSERT_EQ(tune({"2", "10788", "V", "22000"}), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("Delivery DVB-S2 8PSK\n"));
  EXPECT_EQ(tune({"5", "10788", "V", "22000", "--wait", "300"}), 1);
  EXPECT_THAT(out.str(), HasSubstr("Delivery none\n"));
  EXPECT_EQ(tune({"6", "10788", "V", "22000", "--wait", "300"}), 1);
  EXPECT_EQ(tune({"1", "3900", "H", "27500", "--wait", "300"}), 1); // a Ku LNB's request
}

// The card module on a machine without adapters: tune fails with the module's own reason.
TEST_F(ToolTune, ACardModuleWithoutAdapterSaysSo) {
  fs::copy_file(QEV_LINUXDVB_MODULE, root / "Devices/Dev_LinuxDvb.int");
  fs::create_directories(root / "dvb");
  std::ofstream(root / "Devices/Dev_LinuxDvb.ini")
      << "[LinuxDvb]\nDvbFolder=" << (root / "dvb").string();
  EXPECT_EQ(Run({"--device", "Dev_LinuxDvb.int", "tune", "19.2E", "10788", "V", "22000"}), 1);
  EXPECT_THAT(out.str() + err.str(),
              HasSubstr("No DVB adapter found in " + (root / "dvb").string()));
  EXPECT_THAT(err.str(), HasSubstr("cannot load device module"));
}
