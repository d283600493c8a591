// Every data loader against files that are not what they should be: a folder, a FIFO, a file
// without read permission, a read error, cut-off and random content. Nothing may throw, block or
// crash, and no such file may be changed, whatever the program tries to save afterwards.
#include "data/channel_lists.h"
#include "data/favorites.h"
#include "data/sat_list.h"
#include "data/tp_files.h"
#include "data/tp_import.h"
#include "data/transponder_list.h"
#include "frame/app_paths.h"
#include "frame/file_reader.h"
#include "support/random_bytes.h"
#include "support/scripted_presenter.h"
#include "temp_root.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sys/stat.h>

using namespace qev::data;
namespace fs = std::filesystem;

namespace {

TTransponder Tp() { return MakeTransponder(11778, 'V', 27500); }

// One loader and what its owner saves to the same file afterwards.
struct Loader {
  const char *name;
  fs::path file; // below the root
  std::function<void(const fs::path &root, bool save)> loadAndSave;
};

std::vector<Loader> Loaders() {
  const auto paths = [] { return qev::frame::Paths(); };
  return {
      {"channel list", "SatFiles/Channels/0192.bch",
       [](const fs::path &, bool save) {
         TChannelsList list(192, 1);
         list.ListLoad();
         if (!save)
           return;
         list.ListAppend(TChannelRec{});
         list.ListSaveOne(0);
         list.ListSaveAll();
       }},
      {"satellite list", "SatFiles/SatList.dat",
       [](const fs::path &, bool save) {
         TSatList sats;
         sats.SatLoad();
         if (!save)
           return;
         TSatRec sat{};
         sat.SatIdx = 9;
         sat.SatPos = 90;
         sats.SatAdd(sat);
       }},
      {"transponder list", "SatFiles/Transponders/0192.ini",
       [paths](const fs::path &, bool save) {
         TSatTransponders list;
         list.TpLoadIni(paths().Transponders / "0192.ini");
         if (!save)
           return;
         list.PositionText = "0192";
         list.TpAdd(Tp());
         list.TpSaveIni(paths().Transponders / "0192.ini");
       }},
      {"blind list", "SatFiles/Transponders/0192.tws",
       [paths](const fs::path &, bool save) {
         LoadTws(paths().Transponders / "0192.tws");
         if (!save)
           return;
         SaveTws(paths().Transponders / "0192.tws", {Tp()});
       }},
      {"SATCODX file", "SatFiles/SdxFiles/0192.sdx",
       [](const fs::path &root, bool save) {
         bool ok = false;
         std::string text;
         for (const std::string &line : LoadLines(root / "SatFiles/SdxFiles/0192.sdx", ok))
           text += line + "\n";
         ParseSdx(text);
         if (!save)
           return;
         std::string line(128, ' ');
         line.replace(29, 4, "MPG2");
         line[42] = '1';
         SaveDownloadedSdx(root / "SatFiles/SdxFiles/0192.sdx", line);
       }},
      {"coverage file", "SatFiles/Coverage/0192.cvr",
       [paths](const fs::path &, bool save) {
         bool ok = false;
         CoverageBeam(LoadLines(paths().Coverage / "0192.cvr", ok), 11778, 'V');
         if (!save)
           return;
         SaveCoverage(paths().Coverage / "0192.cvr", {"11778,V=Europe"});
       }},
      {"category file of a scan", "SatFiles/Category/0192.pca",
       [paths](const fs::path &, bool) { LoadPca(paths().Category / "0192.pca"); }},
      {"favourites", "Configs/Favorites.cfg",
       [paths](const fs::path &, bool save) {
         TFavorites fav;
         fav.FavLoad(paths().FavoritesFile);
         if (!save)
           return;
         fav.SetFavName(1, "News");
         fav.FavSave(paths().FavoritesFile);
       }},
      {"category names", "SatFiles/Category/Category.txt",
       [paths](const fs::path &, bool) {
         TCategories cats;
         cats.CategLoad(paths().CategoryFile);
       }},
      {"satellite picker", "SatFiles/AllSats.txt",
       [paths](const fs::path &, bool) {
         std::vector<TKnownSat> known;
         std::string error;
         ReadAllSats(paths().SatFiles / "AllSats.txt", known, error);
       }},
      {"imported .ini", "in.ini",
       [](const fs::path &root, bool) {
         std::string error;
         ImportTransponderFile(root / "in.ini", error);
       }},
      {"imported .conf", "in.conf",
       [](const fs::path &root, bool) {
         std::string error;
         ImportTransponderFile(root / "in.conf", error);
       }},
  };
}

// What a file in the test is, to tell that it was left alone.
struct Snapshot {
  fs::file_type type = fs::file_type::none;
  std::string bytes;
  bool operator==(const Snapshot &) const = default;
};

class HostileFiles : public qev::test::TempRoot {
protected:
  Snapshot Take(const fs::path &file) {
    Snapshot s;
    s.type = fs::symlink_status(file).type();
    if (s.type == fs::file_type::regular)
      s.bytes = ReadFile(file);
    return s;
  }
  // Runs every loader on a file of its own made by make; the file must not change.
  // With save, each owner then saves what it loaded, as the program would.
  void EachLoader(const std::function<void(const fs::path &)> &make, bool save = true) {
    for (const Loader &loader : Loaders()) {
      const fs::path file = root / loader.file;
      fs::create_directories(file.parent_path());
      make(file);
      const Snapshot before = Take(file);
      EXPECT_NO_THROW(loader.loadAndSave(root, save)) << loader.name;
      EXPECT_TRUE(Take(file) == before) << loader.name;
      fs::remove_all(file);
    }
  }
  std::string Random(std::size_t max) { return qev::test::RandomBytes(rng, max); }

  qev::test::ScriptedPresenter presenter;
  std::mt19937 rng{7};
};

} // namespace

TEST_F(HostileFiles, AFolderInTheFilesPlace) {
  EachLoader([](const fs::path &file) { fs::create_directories(file / "inside"); });
}

TEST_F(HostileFiles, AFifoInTheFilesPlaceNeverBlocks) {
  EachLoader([](const fs::path &file) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); });
}

TEST_F(HostileFiles, WhatALoaderCouldNotReadIsKnownToTheAtomicWriter) {
  for (const Loader &loader : Loaders()) {
    const fs::path file = root / loader.file;
    fs::create_directories(file / "inside");
    loader.loadAndSave(root, false);
    EXPECT_TRUE(qev::frame::IsUnreadable(file)) << loader.name;
  }
}

TEST_F(HostileFiles, AReadError) {
  if (!fs::exists("/proc/self/mem"))
    GTEST_SKIP() << "no /proc to give a read error";
  EachLoader([](const fs::path &file) { fs::create_symlink("/proc/self/mem", file); });
}

TEST_F(HostileFiles, CutOffAndRandomContent) {
  for (int round = 0; round < 20; ++round) {
    EachLoader([&](const fs::path &file) { WriteFile(file, Random(2000)); }, false);
    EachLoader(
        [&](const fs::path &file) {
          WriteFile(file, "[SATTYPE]\n1=0192\n[DVB]\n0=3\n1=11778,V,27" + Random(3));
        },
        false);
  }
}

TEST_F(HostileFiles, AFileWithoutReadPermissionIsNeverWrittenOver) {
  std::vector<std::pair<fs::path, std::string>> files;
  for (const Loader &loader : Loaders()) {
    const fs::path file = root / loader.file;
    const std::string content = std::string(loader.name) + "\n" + std::string(500, 'x');
    WriteFile(file, content);
    fs::permissions(file, fs::perms::none);
    fs::permissions(file.parent_path(), fs::perms::all); // others could replace it
    files.emplace_back(file, content);
  }
  const auto done = qev::test::RunUnprivileged([&] {
    for (const Loader &loader : Loaders())
      loader.loadAndSave(root, true);
    return true;
  });
  for (const auto &[file, content] : files)
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  if (!done)
    GTEST_SKIP() << "cannot drop privileges";
  EXPECT_TRUE(*done);
  for (const auto &[file, content] : files)
    EXPECT_EQ(ReadFile(file), content) << file;
}
