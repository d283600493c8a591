// The built Dev_LinuxDvb.int loaded as the program loads it, on a machine whose DVB folder has
// no adapter: it loads, lists nothing, and its open fails with a message instead of a crash.
#include "device/device_loader.h"
#include "device/device_module.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::vector<std::string> logged;
void RecordingCallback(std::int32_t message, std::int32_t value, void *data) {
  if (message == QEV_MSG_LOG)
    logged.push_back(std::to_string(value) + " " + static_cast<const char *>(data));
}

class RealModule : public ::testing::Test {
protected:
  void SetUp() override {
    logged.clear();
    fs::create_directories(root / "Devices");
    fs::copy_file(QEV_LINUXDVB_MODULE, module);
  }
  void TearDown() override { device.Unload(); }
  void Settings(const std::string &text) {
    std::ofstream(root / "Devices/Dev_LinuxDvb.ini") << text;
  }

  qev::test::TTempDir root{"qev_linuxdvb_load_"};
  fs::path module = root / "Devices/Dev_LinuxDvb.int";
  qev::device::TDeviceModule device;
};

TEST_F(RealModule, AnEmptyDvbFolderGivesTheMessageAndNoModuleStaysLoaded) {
  fs::create_directories(root / "dvb/adapter0"); // an adapter folder without a frontend
  Settings("[LinuxDvb]\nDvbFolder=" + (root / "dvb").string() + "\n");
  EXPECT_EQ(qev::device::LoadDeviceModule(device, module, &RecordingCallback, nullptr), 2);
  EXPECT_FALSE(device.Loaded());
  EXPECT_THAT(logged, ElementsAre("0 Loading \"Dev_LinuxDvb.int\"",
                                  "2 No DVB adapter found in " + (root / "dvb").string()));
  EXPECT_THAT(qev::device::ModuleAdapters(module), ::testing::IsEmpty());
}

TEST_F(RealModule, WithoutDvbDriversTheDefaultFolderIsNamed) {
  if (fs::exists("/dev/dvb"))
    GTEST_SKIP() << "this machine has /dev/dvb";
  EXPECT_EQ(qev::device::LoadDeviceModule(device, module, &RecordingCallback, nullptr), 2);
  EXPECT_THAT(logged,
              ElementsAre("0 Loading \"Dev_LinuxDvb.int\"", "2 No DVB adapter found in /dev/dvb"));
}

TEST_F(RealModule, TheDeviceChoiceListsItByItsDescription) {
  const auto rows = qev::device::ListDeviceModules(root / "Devices");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].fileName, "Dev_LinuxDvb.int");
  EXPECT_EQ(rows[0].version, "0.1.0.0");
  EXPECT_FALSE(rows[0].descriptionFailed);
  EXPECT_EQ(qev::device::FieldText(rows[0].description.Name), "Linux DVB-S/S2 card");
}

} // namespace
