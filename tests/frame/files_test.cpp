// Safe file replacement, the window placement file and termination signals.
#include "frame/atomic_file.h"
#include "frame/termination_signals.h"
#include "frame/window_placement.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace qev::frame;
namespace fs = std::filesystem;

namespace {

class Files : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-files-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t EntriesIn(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
  }
  fs::path dir;
};

} // namespace

TEST_F(Files, AtomicWriteReplacesKeepsPermissionsAndLeavesNoTemporaryFile) {
  const fs::path file = dir / "new/Options.cfg"; // the folder is made when missing
  EXPECT_EQ(WriteFileAtomically(file, "first"), "");
  EXPECT_EQ(Read(file), "first");
  ::chmod(file.c_str(), 0640);
  EXPECT_EQ(WriteFileAtomically(file, "second"), "");
  EXPECT_EQ(Read(file), "second");
  struct stat st {};
  ::stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir / "new"), 1u);
}

TEST_F(Files, AFailedWriteLeavesTheOldFileAndSaysWhy) {
  const fs::path file = dir / "keep.cfg";
  EXPECT_EQ(WriteFileAtomically(file, "old"), "");
  fs::create_directories(dir / "busy.cfg"); // a folder where the file should go
  const std::string error = WriteFileAtomically(dir / "busy.cfg", "new");
  EXPECT_NE(error.find("busy.cfg"), std::string::npos) << error;
  EXPECT_EQ(Read(file), "old");
  EXPECT_EQ(EntriesIn(dir), 2u); // no temporary file left behind
}

TEST_F(Files, PlacementRoundTripsAndRejectsIncompleteFiles) {
  const fs::path file = dir / "qevdvb.INI";
  EXPECT_FALSE(LoadPlacement(file));
  const TWindowPlacement p{-20, 40, 1024, 700, kWindowMaximized};
  EXPECT_EQ(SavePlacement(file, p), "");
  EXPECT_EQ(LoadPlacement(file), p);
  EXPECT_NE(Read(file).find("Width=1024"), std::string::npos);

  std::ofstream(file) << "[Position]\nleft = 5\nTOP=6\nWidth=7\nHeight=8\n"; // no State
  EXPECT_FALSE(LoadPlacement(file));
  std::ofstream(file) << "Left=5\nTop=6\nWidth=0\nHeight=8\nState=0\n";
  EXPECT_FALSE(LoadPlacement(file));
  std::ofstream(file) << "Left=5\nTop=6\nWidth=9x\nHeight=8\nState=0\n";
  EXPECT_FALSE(LoadPlacement(file));
  std::ofstream(file) << "left = 5\r\nTOP=6\r\nWidth=7\r\nHeight=8\r\nstate=0\r\n";
  EXPECT_EQ(LoadPlacement(file), (TWindowPlacement{5, 6, 7, 8, 0}));
}

TEST(WindowPlacement, ClampKeepsTheWindowReachable) {
  const ScreenRect screens[] = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  // On the second screen: kept as it is.
  EXPECT_EQ(ClampToScreens({2000, 100, 800, 600, 0}, screens),
            (TWindowPlacement{2000, 100, 800, 600, 0}));
  // The second monitor is gone: moved onto the first one, centred.
  const ScreenRect one[] = {{0, 0, 1920, 1080}};
  EXPECT_EQ(ClampToScreens({2000, 100, 800, 600, 0}, one),
            (TWindowPlacement{560, 240, 800, 600, 0}));
  // Larger than its screen: shrunk to it.
  EXPECT_EQ(ClampToScreens({0, 0, 4000, 3000, 0}, one), (TWindowPlacement{0, 0, 1920, 1080, 0}));
  // Above the top edge: the title bar comes back on screen.
  EXPECT_EQ(ClampToScreens({100, -500, 800, 600, 0}, one).Top, 240);
  // Minimised comes back normal, maximised stays.
  EXPECT_EQ(ClampToScreens({10, 10, 800, 600, kWindowMinimized}, one).State, kWindowNormal);
  EXPECT_EQ(ClampToScreens({10, 10, 800, 600, kWindowMaximized}, one).State, kWindowMaximized);
  // Without screen information nothing moves.
  EXPECT_EQ(ClampToScreens({-9000, 5, 800, 600, 0}, {}).Left, -9000);
}

TEST(TerminationSignals, ASignalBecomesAnEventInsteadOfEndingTheProcess) {
  TTerminationSignals termination;
  ASSERT_GE(termination.Descriptor(), 0);
  EXPECT_EQ(termination.TakePending(), 0);
  ::raise(SIGTERM);
  EXPECT_EQ(termination.TakePending(), SIGTERM);
  ::raise(SIGHUP);
  EXPECT_EQ(termination.TakePending(), SIGHUP);
  EXPECT_EQ(termination.TakePending(), 0);
}
