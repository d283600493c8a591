#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qev::frame {

namespace fs = std::filesystem;

// Where the root comes from, in order of precedence.
struct RootSources {
  std::optional<fs::path> rootOption; // --root DIR
  std::optional<fs::path> rootEnv;    // QEVDVB_ROOT
  fs::path exeDir;                    // folder of the running executable
  std::optional<fs::path> xdgDataHome;
  std::optional<fs::path> home;
};

// Reads QEVDVB_ROOT, XDG_DATA_HOME and HOME; empty variables count as unset.
RootSources RootSourcesFromEnvironment(std::optional<fs::path> rootOption, fs::path exeDir);

// The folder that holds all of the program's files: the option, else the variable, else the
// executable's folder when it holds a "Configs" folder (a portable install), else the user's
// data folder. The result is absolute.
fs::path ResolveRoot(const RootSources& sources);

// The path as given when it exists, else the same path with its last name found in another
// letter case, else the path as given.
fs::path FindExisting(const fs::path& path);

// The program's folders and fixed files below the root.
struct TAppPaths {
  TAppPaths() = default;
  explicit TAppPaths(const fs::path& root);

  fs::path ExeDir;
  fs::path Configs, SatFiles, Plugins, Devices, Graphs, Filters;
  fs::path Transponders, Category, Channels, Coverage, CoverageImages;

  fs::path OptionsFile, VideoWinFile, PluginsFile, HotKeysFile, GesturesFile, DirectShowFile,
      WebUpdTPFile, FavoritesFile, KnowFiltersFile, CategoryFile, SatListFile, LastChFile;

  // The window placement file: the executable's name with ".INI", in the root.
  fs::path PlacementFile(const std::string& exeName) const;
};

// Computed once at process start.
const TAppPaths& Paths();
void SetPaths(TAppPaths paths);

// The running executable, from /proc/self/exe.
fs::path ExecutableFile();

// The default files of an installed or built program: <exeDir>/../share/qevdvb.
fs::path ShareDir(const fs::path& exeDir);

// A root without a "Configs" folder is new: it gets a copy of the default files (existing
// files are never overwritten) and a "Configs" folder. Returns an error text, empty on success.
std::string SeedRoot(const fs::path& root, const fs::path& shareDir);

} // namespace qev::frame
