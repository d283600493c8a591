// qevtool's commands run as the program runs them, on a hand-made root.
#include "data/channel_list.h"
#include "data/sat_list.h"
#include "tool_root.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

class Tool : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    data::TSatRec sat{};
    sat.SatIdx = 1;
    sat.SatPos = 192;
    sat.SatActive = 1;
    data::SetSatName(sat, "Astra 1");
    Write(root / "SatFiles/SatList.dat", std::string(reinterpret_cast<char *>(&sat), sizeof sat));
    data::TChannelRec rec{};
    rec.Freq = 11836000;
    rec.Polar = 'H';
    rec.SRate = 27500;
    rec.TID = 1101;
    rec.SID = 28106;
    rec.SrvType = 1;
    data::SetChName(rec, "Das Erste");
    Write(root / "SatFiles/Channels/0192.bch",
          std::string(reinterpret_cast<char *>(&rec), sizeof rec));
  }
  static void Write(const fs::path &file, const std::string &bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }
};

} // namespace

TEST_F(Tool, SatsAndChannelsOfAHandMadeRoot) {
  EXPECT_EQ(Run({"sats"}), 0);
  EXPECT_NE(out.str().find("19.2E"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("Astra 1"), std::string::npos);
  EXPECT_EQ(Run({"channels"}), 0);
  EXPECT_NE(out.str().find("Das Erste"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("1 channels"), std::string::npos);
  EXPECT_EQ(Run({"--json", "channels", "--sat", "1"}), 0);
  const auto doc = nlohmann::json::parse(out.str());
  ASSERT_EQ(doc["channels"].size(), 1u);
  EXPECT_EQ(doc["channels"][0]["sid"], 28106);
  EXPECT_EQ(Run({"channels", "--sat", "9"}), 1);
}

TEST_F(Tool, ACorruptChannelFileDoesNotCrash) {
  Write(root / "SatFiles/Channels/0192.bch", std::string(1000, '\xFF'));
  Write(root / "SatFiles/Channels/0130.bch", std::string(500, '\x01')); // no satellite
  EXPECT_EQ(Run({"channels"}), 0);
  EXPECT_NE(out.str().find("3 channels"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"--json", "channels"}), 0); // names that are not UTF-8 still give JSON
  EXPECT_EQ(nlohmann::json::parse(out.str())["channels"].size(), 3u);
}

TEST_F(Tool, TransponderImportCountsAddUp) {
  Write(root / "in.conf", "[A]\n FREQUENCY = 11836000\n POLARIZATION = LEFT\n"
                          " SYMBOL_RATE = 27500000\n[B]\n FREQUENCY = 900000\n"
                          " POLARIZATION = V\n SYMBOL_RATE = 27500000\n");
  EXPECT_EQ(Run({"--json", "tp", "import", (root / "in.conf").string(), "--sat", "1"}), 0);
  const auto doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["entries"], 2);
  EXPECT_EQ(doc["imported"], 1);
  EXPECT_EQ(doc["refused"].size(), 1u);
  EXPECT_EQ(Run({"tp", "import", (root / "in.conf").string(), "--sat", "1"}), 0);
  EXPECT_NE(out.str().find("already in the list"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"tp", "list", "--sat", "1"}), 0);
  EXPECT_EQ(out.str(), "11836,H,27500\n1 transponders\n");
  EXPECT_EQ(Run({"tp", "import", (root / "missing").string(), "--sat", "1"}), 1);
}

TEST_F(Tool, TransponderImportNamesEveryRefusedEntryAndLine) {
  Write(root / "in.tws", "11836,H,27500\n11836,,27500\n12100,V,700\n");
  EXPECT_EQ(Run({"tp", "import", (root / "in.tws").string(), "--sat", "1"}), 0);
  EXPECT_NE(out.str().find("refused entry 2 (line 2): 11836,,27500"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("imported 12100,V,700"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"--json", "tp", "import", (root / "in.tws").string(), "--sat", "1"}), 0);
  const auto doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["entries"], 3);
  ASSERT_EQ(doc["refused"].size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(doc["refused"][i]["entry"], i + 1) << out.str();
    EXPECT_EQ(doc["refused"][i]["line"], i + 1);
  }
  fs::create_directories(root / "folder.conf");
  EXPECT_EQ(Run({"tp", "import", (root / "folder.conf").string(), "--sat", "1"}), 1);
  // A stored list that cannot be read is reported, never written over.
  const fs::path stored = root / "SatFiles/Transponders/0192.ini";
  fs::remove(stored);
  fs::create_directories(stored);
  EXPECT_EQ(Run({"tp", "list", "--sat", "1"}), 1);
  EXPECT_EQ(Run({"tp", "import", (root / "in.tws").string(), "--sat", "1"}), 1);
  EXPECT_TRUE(fs::is_directory(stored));
}

TEST_F(Tool, BadArgumentsExitWithTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"nothing"}), 2);
  EXPECT_EQ(Run({"tp", "list"}), 2);
  EXPECT_EQ(Run({"tp", "list", "--sat", "x"}), 2);
  EXPECT_EQ(Run({"sats", "extra"}), 2);
  EXPECT_EQ(tool::RunTool({"--root"}, root, out, err), 2);
}

TEST_F(Tool, DevicesListsEveryModuleWithVersionAndDescription) {
  EXPECT_EQ(Run({"devices", "--folder", QEV_FIXTURE_DEVICES}), 0);
  const std::string text = out.str();
  EXPECT_NE(text.find("Dev_Null.int"), std::string::npos) << text;
  EXPECT_NE(text.find("1.2.3.4"), std::string::npos);
  EXPECT_NE(text.find("Dev_Pip.int              Unknow"), std::string::npos) << text;
  EXPECT_NE(text.find("(cannot check module description)"), std::string::npos);

  EXPECT_EQ(Run({"--json", "devices", "--folder", QEV_FIXTURE_DEVICES}), 0);
  const auto doc = nlohmann::json::parse(out.str());
  bool sawNull = false;
  for (const auto &row : doc["devices"])
    if (row["file"] == "Dev_Null.int") {
      sawNull = true;
      EXPECT_EQ(row["name"], "Dev_Null");
      EXPECT_EQ(row["hwi"], "0200");
    }
  EXPECT_TRUE(sawNull);
  EXPECT_EQ(Run({"devices", "--bogus"}), 2);
}

TEST_F(Tool, DevicesShowTheAdaptersACardModuleSees) {
  fs::create_directories(root / "Devices");
  fs::copy_file(QEV_LINUXDVB_MODULE, root / "Devices/Dev_LinuxDvb.int");
  fs::create_directories(root / "dvb");
  Write(root / "Devices/Dev_LinuxDvb.ini", "[LinuxDvb]\nDvbFolder=" + (root / "dvb").string());
  EXPECT_EQ(Run({"--json", "devices"}), 0);
  const auto doc = nlohmann::json::parse(out.str());
  ASSERT_EQ(doc["devices"].size(), 1u);
  EXPECT_EQ(doc["devices"][0]["name"], "Linux DVB-S/S2 card");
  EXPECT_TRUE(doc["devices"][0]["adapters"].empty());
  AddSimulator();
  EXPECT_EQ(Run({"devices"}), 0);
  EXPECT_NE(out.str().find("Linux DVB-S/S2 card (QEV-DVB)"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("2 device modules"), std::string::npos) << out.str();
}

TEST_F(Tool, DevicesOfTheRootFindTheSimulatedSky) {
  AddSimulator();
  EXPECT_EQ(Run({"devices"}), 0);
  EXPECT_NE(out.str().find("Dev_Sim.int"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("QEV Sky Simulator"), std::string::npos);
  EXPECT_NE(out.str().find("1 device modules"), std::string::npos);
}
