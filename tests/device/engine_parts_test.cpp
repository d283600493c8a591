#include "data/data_store.h"
#include "device/engine_fakes.h"
#include "device/engine_steps.h"
#include "device/last_channels.h"
#include "device/slot_state.h"
#include "device/switch_queue.h"
#include "frame/app_paths.h"
#include "frame/options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace qev::device::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class LastChannelsFile : public ::testing::Test {
protected:
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  void WriteBytes(const std::string &bytes) const {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  std::string ReadBytes() const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir = fs::temp_directory_path() / ("qev_lastch_" + std::to_string(::getpid()));
  fs::path file = dir / "LastCh.dat";
  TLastChannels memory;
};

TEST_F(LastChannelsFile, MissingFileLeavesEveryEntryEmpty) {
  memory.Set(5, 123);
  memory.Load(file);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(memory.Get(i), -1);
}

TEST_F(LastChannelsFile, ShortFileFillsOnlyTheEntriesItCovers) {
  // Entry 0 = 0x00010002, entry 1 = 0x00020000, two bytes of entry 2.
  WriteBytes(std::string("\x02\x00\x01\x00\x00\x00\x02\x00\x07\x00", 10));
  memory.Load(file);
  EXPECT_EQ(memory.Get(0), 0x00010002);
  EXPECT_EQ(memory.Get(1), 0x00020000);
  EXPECT_EQ(memory.Get(2), -1);
  EXPECT_EQ(memory.Get(255), -1);
}

TEST_F(LastChannelsFile, SavedFileIsAlways1024LittleEndianBytes) {
  memory.Set(1, 0x00010003);
  memory.Set(255, 0x00FF0000);
  ASSERT_EQ(memory.Save(file), "");
  const std::string bytes = ReadBytes();
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_EQ(bytes.substr(4, 4), std::string("\x03\x00\x01\x00", 4));
  EXPECT_EQ(bytes.substr(1020, 4), std::string("\x00\x00\xFF\x00", 4));
  TLastChannels again;
  again.Load(file);
  EXPECT_EQ(again.Get(1), 0x00010003);
  EXPECT_EQ(again.Get(255), 0x00FF0000);
  EXPECT_EQ(again.Get(2), -1);
}

TEST_F(LastChannelsFile, LongerFileIsReadUpToItsFirst1024Bytes) {
  WriteBytes(std::string(1024, '\0') + "garbage");
  memory.Load(file);
  EXPECT_EQ(memory.Get(255), 0);
  ASSERT_EQ(memory.Save(file), "");
  EXPECT_EQ(ReadBytes().size(), 1024u);
}

TEST_F(LastChannelsFile, AFileThatCannotBeReadIsReportedAndNeverSavedOver) {
  for (const bool fifo : {false, true}) {
    fs::remove_all(file);
    if (fifo)
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); // no writer: reading it must not wait
    else
      fs::create_directories(file / "inside");
    TLastChannels lastChannels;
    lastChannels.Set(4, 77);
    EXPECT_THAT(lastChannels.Load(file), ::testing::HasSubstr(file.string()));
    EXPECT_EQ(lastChannels.Get(4), -1);
    lastChannels.Set(0, 9);
    EXPECT_EQ(lastChannels.Save(file), "");
    EXPECT_EQ(fifo ? fs::is_fifo(file) : fs::is_directory(file / "inside"), true);
  }
}

TEST_F(LastChannelsFile, IndexesOutsideTheTableAreIgnored) {
  memory.Set(256, 7);
  memory.Set(-1, 7);
  EXPECT_EQ(memory.Get(256), -1);
  EXPECT_EQ(memory.Get(-1), -1);
}

TEST_F(LastChannelsFile, FailedSaveKeepsTheOldFile) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root writes into read-only folders";
  memory.Set(0, 9);
  ASSERT_EQ(memory.Save(file), "");
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  memory.Set(0, 10);
  const std::string error = memory.Save(file);
  fs::permissions(dir, fs::perms::owner_all);
  EXPECT_NE(error, "");
  TLastChannels again;
  again.Load(file);
  EXPECT_EQ(again.Get(0), 9);
}

TEST_F(LastChannelsFile, StartUpAndShutdownStepsUseTheSatelliteFolder) {
  frame::SetPaths(frame::TAppPaths(dir));
  LastChannels().Set(3, 0x00030001);
  ASSERT_EQ(SaveLastChannelsStep(), std::nullopt);
  EXPECT_EQ(fs::file_size(dir / "SatFiles" / "LastCh.dat"), 1024u);
  LastChannels().Set(3, 5);
  EXPECT_EQ(LoadLastChannelsStep(), 0);
  EXPECT_EQ(LastChannels().Get(3), 0x00030001);
}

// The program's engine on the program's lists, with no device loaded.
TEST(ProgramEngine, SwitchesToTheStartChannelAndBackAfterARelease) {
  const frame::TOptions saved = frame::Options();
  EngineRoot root;
  root.AddSat(1, 192, "Astra", 1);
  const std::int32_t handle = root.AddChannel(1, Channel(11778000, 'V', 27500, 101, "Alpha"));
  data::LoadSatellitesStep();
  data::LoadChannelsStep();
  frame::Options().Session.StartChannel = handle;
  EXPECT_TRUE(SwitchToStartChannel());
  EXPECT_EQ(TuningEngine().Slot(0).CurrentHandle, handle);
  EXPECT_EQ(LastChannels().Get(1), handle);
  EXPECT_EQ(frame::Options().StartUp.LastChannel, handle);
  EXPECT_EQ(ReleaseEngineStep(), std::nullopt);
  EXPECT_FALSE(TuningEngine().Slot(0).Playing());
  EXPECT_TRUE(SwitchToLastChannel());
  EXPECT_EQ(TuningEngine().Slot(0).CurrentHandle, handle);
  frame::Options().Session.StartChannel = -1;
  EXPECT_FALSE(SwitchToStartChannel());
  frame::Options() = saved;
}

TEST(SwitchQueue, LaterRequestForTheSameSlotReplacesTheEarlierOne) {
  TSwitchQueue queue;
  queue.Put({0, 10, true, std::nullopt});
  queue.Put({1, 20, true, std::nullopt});
  queue.Put({0, 30, false, 15});
  std::vector<std::int32_t> handles;
  while (const auto next = queue.Take())
    handles.push_back(next->Handle);
  EXPECT_THAT(handles, ElementsAre(20, 30));
}

TEST(SlotVolume, ScalesLimitsAndMutes) {
  EXPECT_EQ(SlotVolume(80, 50, false), 40);
  EXPECT_EQ(SlotVolume(80, 200, false), 100);
  EXPECT_EQ(SlotVolume(80, 0, false), 0);
  EXPECT_EQ(SlotVolume(80, 100, true), 0);
}

TEST(SameTransponder, ComparesSatelliteFrequencyAndPolarisationOnly) {
  data::TChannelRec a{};
  a.SatIndex = 1;
  a.Freq = 11778000;
  a.Polar = 'V';
  a.SRate = 27500;
  data::TChannelRec b = a;
  b.SRate = 22000;
  b.SID = 9;
  EXPECT_TRUE(OnSameTransponder(a, b));
  b.Polar = 'H';
  EXPECT_FALSE(OnSameTransponder(a, b));
  b = a;
  b.SatIndex = 2;
  EXPECT_FALSE(OnSameTransponder(a, b));
}

} // namespace
} // namespace qev::device::test
