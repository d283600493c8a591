#include "frame/app_paths.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qev::frame;

namespace {

class TempDir : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-paths-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir;
};

} // namespace

TEST_F(TempDir, RootComesFromOptionThenVariableThenPortableFolderThenUserData) {
  RootSources s;
  s.exeDir = dir / "bin";
  s.home = dir / "home";
  EXPECT_EQ(ResolveRoot(s), dir / "home/.local/share/qevdvb");
  s.xdgDataHome = dir / "data";
  EXPECT_EQ(ResolveRoot(s), dir / "data/qevdvb");
  s.xdgDataHome = "relative/data"; // not absolute: ignored as the XDG rules say
  EXPECT_EQ(ResolveRoot(s), dir / "home/.local/share/qevdvb");
  fs::create_directories(dir / "bin/CONFIGS"); // found in another letter case
  EXPECT_EQ(ResolveRoot(s), dir / "bin");
  s.rootEnv = dir / "env";
  EXPECT_EQ(ResolveRoot(s), dir / "env");
  s.rootOption = dir / "opt/../opt2";
  EXPECT_EQ(ResolveRoot(s), dir / "opt2");
}

TEST_F(TempDir, RelativeRootBecomesAbsolute) {
  RootSources s;
  s.rootOption = "some/root";
  const fs::path root = ResolveRoot(s);
  EXPECT_TRUE(root.is_absolute());
  EXPECT_EQ(root, (fs::current_path() / "some/root").lexically_normal());
}

TEST_F(TempDir, FolderAndFileTablesHangBelowTheRoot) {
  const TAppPaths p(dir);
  EXPECT_EQ(p.Configs, dir / "Configs");
  EXPECT_EQ(p.Transponders, dir / "SatFiles/Transponders");
  EXPECT_EQ(p.CoverageImages, dir / "SatFiles/Coverage/Images");
  EXPECT_EQ(p.OptionsFile, dir / "Configs/Options.cfg");
  EXPECT_EQ(p.CategoryFile, dir / "SatFiles/Category/Category.txt");
  EXPECT_EQ(p.LastChFile, dir / "SatFiles/LastCh.dat");
  EXPECT_EQ(p.Graphs, dir / "Graphs");
  EXPECT_EQ(p.PlacementFile("qevdvb"), dir / "qevdvb.INI");
}

TEST_F(TempDir, FindExistingAcceptsAnotherLetterCase) {
  Write(dir / "SatFiles/satlist.DAT", "x");
  EXPECT_EQ(FindExisting(dir / "SatFiles/SatList.dat"), dir / "SatFiles/satlist.DAT");
  EXPECT_EQ(FindExisting(dir / "satfiles/SatList.dat"), dir / "SatFiles/satlist.DAT");
  EXPECT_EQ(FindExisting(dir / "Missing/File"), dir / "Missing/File");
}

TEST_F(TempDir, NewRootIsSeededOnceAndNothingIsOverwritten) {
  const fs::path share = dir / "share";
  Write(share / "SatFiles/AllSats.txt", "default");
  Write(share / "Configs/Options.cfg", "default options");
  const fs::path root = dir / "root";
  Write(root / "SatFiles/AllSats.txt", "the user's own");

  EXPECT_EQ(SeedRoot(root, share), "");
  EXPECT_TRUE(fs::is_directory(root / "Configs"));
  EXPECT_EQ(Read(root / "Configs/Options.cfg"), "default options");
  EXPECT_EQ(Read(root / "SatFiles/AllSats.txt"), "the user's own");

  // Seeded roots are left alone, even when a default file was deleted by the user.
  fs::remove(root / "Configs/Options.cfg");
  EXPECT_EQ(SeedRoot(root, share), "");
  EXPECT_FALSE(fs::exists(root / "Configs/Options.cfg"));
}

TEST_F(TempDir, SeedingWithoutDefaultFilesStillMakesTheConfigsFolder) {
  EXPECT_EQ(SeedRoot(dir / "root", dir / "no-share"), "");
  EXPECT_TRUE(fs::is_directory(dir / "root/Configs"));
}

TEST_F(TempDir, SeedingReportsARootThatCannotBeMade) {
  Write(dir / "file", "not a folder");
  const std::string error = SeedRoot(dir / "file/root", dir / "share");
  EXPECT_NE(error.find("file/root"), std::string::npos) << error;
}
