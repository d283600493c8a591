#pragma once

// A temporary root for each test, and qevtool run on it as its command line runs it.
#include "data/sat_rec.h"
#include "frame/app_paths.h"
#include "tool/tool_main.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qev::test {

class ToolRoot : public ::testing::Test {
protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("qev-tool-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "Configs");
    frame::SetPaths(frame::TAppPaths(root));
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  // The simulated sky in the root's "Devices", with the demo sky's description.
  void AddSimulator() const {
    std::filesystem::create_directories(root / "Devices");
    std::filesystem::copy_file(QEV_SIM_MODULE, root / "Devices/Dev_Sim.int");
    std::filesystem::copy_file(QEV_SIM_SKY, root / "Devices/Dev_Sim.ini");
  }

  // A satellite on the demo sky's universal LNB behind a committed switch port.
  static data::TSatRec DemoSat(std::uint8_t index, std::uint16_t position, std::uint8_t port,
                               const char *name = "") {
    data::TSatRec sat{};
    sat.SatIdx = index;
    sat.SatPos = position;
    sat.SatActive = 1;
    data::SetSatName(sat, name);
    sat.LofLow = 9750000;
    sat.LofHigh = 10600000;
    sat.LofSwitch = 11700000;
    sat.Sw1 = {2, port, 0, {}, 1, 0};
    return sat;
  }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), commonArgs.begin(), commonArgs.end());
    args.insert(args.begin(), {"--root", root.string()});
    return tool::RunTool(args, root, out, err);
  }

  std::filesystem::path root;
  std::vector<std::string> commonArgs; // given before every command
  std::ostringstream out, err;
};

} // namespace qev::test
