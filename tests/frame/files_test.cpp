// Safe file replacement, reading files that may not be files, the window placement file and
// termination signals.
#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/log.h"
#include "frame/termination_signals.h"
#include "frame/window_placement.h"
#include "support/finishes_within.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <vector>

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

TEST_F(Files, TemporaryFilesOfAnEarlierRunGoWhenTheirFolderIsWrittenNext) {
  const auto earlier = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const fs::path stale = dir / ".Options.cfg.Ab3xZ9";
  const fs::path staleOther = dir / ".SatList.dat.q1W2e3";
  const fs::path running = dir / ".Options.cfg.Zz9yY8"; // a write of this run, still going
  const fs::path notOurs = dir / ".profile.bak";
  for (const fs::path &file : {stale, staleOther, running, notOurs}) {
    std::ofstream(file) << "partial";
    if (file != running)
      fs::last_write_time(file, earlier);
  }
  fs::create_directory(dir / ".Dir.cfg.AAAAAA");
  fs::last_write_time(dir / ".Dir.cfg.AAAAAA", earlier);

  EXPECT_EQ(WriteFileAtomically(dir / "Other.cfg", "x"), "");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(staleOther));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(notOurs));
  EXPECT_TRUE(fs::exists(dir / ".Dir.cfg.AAAAAA"));
}

TEST_F(Files, ALinkIsWrittenThroughAndStaysALink) {
  fs::create_directories(dir / "real");
  const fs::path target = dir / "real/Options.cfg";
  std::ofstream(target) << "old";
  ::chmod(target.c_str(), 0600);
  fs::create_directories(dir / "Configs");
  const fs::path link = dir / "Configs/Options.cfg";
  fs::create_symlink("../real/Options.cfg", link);

  EXPECT_EQ(WriteFileAtomically(link, "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), "../real/Options.cfg");
  EXPECT_EQ(Read(target), "new");
  struct stat st {};
  ::stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(EntriesIn(dir / "Configs"), 1u); // the temporary file went beside the target
  EXPECT_EQ(EntriesIn(dir / "real"), 1u);

  // A link to a file not there yet creates it.
  fs::create_symlink(dir / "real/Later.cfg", dir / "Configs/Later.cfg");
  EXPECT_EQ(WriteFileAtomically(dir / "Configs/Later.cfg", "made"), "");
  EXPECT_TRUE(fs::is_symlink(dir / "Configs/Later.cfg"));
  EXPECT_EQ(Read(dir / "real/Later.cfg"), "made");
}

TEST_F(Files, AReadOnlyFileIsLeftAsItIsAndLoggedOnce) {
  std::vector<std::string> log;
  SetLogTarget([&](int, int, const char *text) { log.push_back(text); });
  const fs::path file = dir / "Options.cfg";
  std::ofstream(file) << "mine";
  ::chmod(file.c_str(), 0444);
  EXPECT_EQ(WriteFileAtomically(file, "first"), "");
  EXPECT_EQ(WriteFileAtomically(file, "second"), "");
  SetLogTarget(nullptr);
  EXPECT_EQ(Read(file), "mine");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Options.cfg"), std::string::npos);
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(Files, NothingButARegularFileIsReplaced) {
  const fs::path fifo = dir / "Fifo.cfg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_NE(WriteFileAtomically(fifo, "x"), "");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(Files, OnlyAMissingFileIsMissingAndAFileThatCannotBeReadIsNotWritten) {
  const fs::path file = dir / "Plain.cfg";
  EXPECT_EQ(ReadFileContent(file).Status, FileReadStatus::Missing);
  std::ofstream(file) << "text";
  const TFileContent plain = ReadFileContent(file);
  EXPECT_EQ(plain.Status, FileReadStatus::Read);
  EXPECT_EQ(plain.Text, "text");
  const fs::path big = dir / "Big.cfg";
  std::ofstream(big) << "four";
  const TFileContent start = ReadFileStart(big, 3); // what follows is not wanted, and no fault
  EXPECT_EQ(start.Status, FileReadStatus::Read);
  EXPECT_EQ(start.Text, "fou");
  EXPECT_FALSE(IsUnreadable(big));
  EXPECT_EQ(ReadFileContent(big, 3).Status, FileReadStatus::Unreadable); // beyond the limit

  const fs::path fifo = dir / "Fifo.cfg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const fs::path folder = dir / "Folder.cfg";
  fs::create_directory(folder);
  const fs::path underFile = file / "Inner.cfg"; // a file where a folder should be
  for (const fs::path &path : {fifo, folder, underFile}) {
    const TFileContent content = ReadFileContent(path); // never waits on the FIFO
    EXPECT_EQ(content.Status, FileReadStatus::Unreadable) << path;
    EXPECT_NE(content.Error().find(path.filename().string()), std::string::npos) << content.Error();
    EXPECT_TRUE(IsUnreadable(path));
  }
  // The folder was not readable in this run: even a file that took its place is not written.
  fs::remove(folder);
  EXPECT_NE(WriteFileAtomically(folder, "x"), "");
  EXPECT_FALSE(fs::exists(folder));
  // A link reaches the same file.
  fs::create_symlink(fifo, dir / "Link.cfg");
  EXPECT_TRUE(IsUnreadable(dir / "Link.cfg"));
  EXPECT_FALSE(IsUnreadable(dir / "Plain.cfg"));
}

TEST_F(Files, APlacementFileThatCannotBeReadIsNeitherWaitedOnNorReplaced) {
  const fs::path file = dir / "qevdvb.INI";
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  ASSERT_TRUE(qev::test::FinishesWithin([file] { EXPECT_FALSE(LoadPlacement(file)); }));
  EXPECT_EQ(SavePlacement(file, {1, 2, 3, 4, 0}), "");
  EXPECT_TRUE(fs::is_fifo(file));
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
