#pragma once

#include "dvb_device.h"
#include "linuxdvb/fake_kernel.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qev::linuxdvb::test {

// The module's device over a fake kernel with one DVB-S/S2 adapter, its settings file in a
// folder of its own; log lines are kept as "level text".
class DvbDeviceTest : public ::testing::Test {
protected:
  DvbDeviceTest() { kernel.AddAdapter(0); }

  TDvbDevice &Device() {
    if (!device)
      device = std::make_unique<TDvbDevice>(
          kernel,
          [this](std::int32_t message, std::int32_t value, void *data) {
            std::lock_guard lock(logMutex);
            if (message == QEV_MSG_LOG)
              logged.push_back(std::to_string(value) + " " + static_cast<const char *>(data));
            else if (message == QEV_MSG_PUMP)
              ++pumps;
          },
          folder / "Dev_LinuxDvb.ini");
    return *device;
  }
  void WriteSettings(const std::string &text) {
    std::ofstream(folder / "Dev_LinuxDvb.ini") << text;
  }
  // Opens the device and forgets the calls that took.
  void OpenQuietly() {
    ASSERT_EQ(Device().Open(), 0);
    kernel.ClearJournal();
    ClearLog();
  }
  std::vector<std::string> Log() {
    std::lock_guard lock(logMutex);
    return logged;
  }
  void ClearLog() {
    std::lock_guard lock(logMutex);
    logged.clear();
  }

  FakeKernel kernel;
  qev::test::TTempDir folder{"qev_linuxdvb_"};
  std::mutex logMutex;
  std::vector<std::string> logged;
  int pumps = 0;
  std::unique_ptr<TDvbDevice> device; // last: goes first
};

} // namespace qev::linuxdvb::test
