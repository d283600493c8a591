#pragma once

#include "data/data_store.h"
#include "frame/app_paths.h"
#include "frame/process_flags.h"
#include "frame/program_options.h"
#include "support/scripted_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace qev::test {

// The program's root seeded with the demo sky in a temporary folder named after the test, the
// program's paths pointing there, and a presenter that answers the program's questions.
class DemoRootTest : public ::testing::Test {
protected:
  explicit DemoRootTest(const std::string &prefix)
      : root(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {}

  void SetUp() override {
    std::filesystem::remove_all(root);
    ASSERT_EQ(frame::SeedRoot(root, QEV_SHARE_DIR), "");
    frame::SetPaths(frame::TAppPaths(root));
    frame::Flags().Closing = false;
  }
  void TearDown() override {
    // The program's lists outlive one program in the process: the next test's program must
    // open its own root's files, not keep these.
    for (int satIndex = 1; satIndex <= 255; ++satIndex)
      data::ChannelLists().ListClose(satIndex);
    std::filesystem::remove_all(root);
    frame::Flags().Closing = false;
  }

  // The command line that starts the program on the simulated device of the root.
  frame::ProgramOptions SimDeviceOptions() const {
    frame::ProgramOptions options;
    options.deviceFile = (root / "Devices/Dev_Sim.int").string();
    return options;
  }
  std::filesystem::path PlacementFile() const { return root / "qevdvb.INI"; }

  const std::filesystem::path root;
  ScriptedPresenter presenter;
};

} // namespace qev::test
