#include "frame/app_paths.h"

#include "frame/string_utils.h"

#include <cstdlib>
#include <system_error>

namespace qev::frame {

namespace {

std::optional<fs::path> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    return std::nullopt;
  return fs::path(value);
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(FindExisting(path), ec);
}

TAppPaths& StoredPaths() {
  static TAppPaths paths;
  return paths;
}

} // namespace

RootSources RootSourcesFromEnvironment(std::optional<fs::path> rootOption, fs::path exeDir) {
  return {std::move(rootOption), Variable("QEVDVB_ROOT"), std::move(exeDir),
          Variable("XDG_DATA_HOME"), Variable("HOME")};
}

fs::path ResolveRoot(const RootSources& sources) {
  fs::path root;
  if (sources.rootOption)
    root = *sources.rootOption;
  else if (sources.rootEnv)
    root = *sources.rootEnv;
  else if (!sources.exeDir.empty() && IsDirectory(sources.exeDir / "Configs"))
    root = sources.exeDir;
  else if (sources.xdgDataHome && sources.xdgDataHome->is_absolute())
    root = *sources.xdgDataHome / "qevdvb";
  else
    root = sources.home.value_or(fs::temp_directory_path()) / ".local/share/qevdvb";
  std::error_code ec;
  fs::path absolute = fs::absolute(root, ec);
  return (ec ? root : absolute).lexically_normal();
}

fs::path FindExisting(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec) || !path.has_filename())
    return path;
  const fs::path parent = path.has_parent_path() ? FindExisting(path.parent_path()) : ".";
  const std::string name = path.filename().string();
  // Stepping with an error code: a folder that goes away meanwhile must not throw.
  for (fs::directory_iterator it(parent, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    if (EqualsNoCase(it->path().filename().string(), name))
      return path.has_parent_path() ? it->path() : it->path().filename();
  }
  return path;
}

TAppPaths::TAppPaths(const fs::path& root)
    : ExeDir(root), Configs(root / "Configs"), SatFiles(root / "SatFiles"),
      Plugins(root / "Plugins"), Devices(root / "Devices"), Graphs(root / "Graphs"),
      Filters(root / "Filters"), Transponders(SatFiles / "Transponders"),
      Category(SatFiles / "Category"), Channels(SatFiles / "Channels"),
      Coverage(SatFiles / "Coverage"), CoverageImages(Coverage / "Images"),
      OptionsFile(Configs / "Options.cfg"), VideoWinFile(Configs / "VideoWin.cfg"),
      PluginsFile(Configs / "Plugins.cfg"), HotKeysFile(Configs / "HotKeys.cfg"),
      GesturesFile(Configs / "Gestures.cfg"), DirectShowFile(Configs / "DirectShow.cfg"),
      WebUpdTPFile(Configs / "WebUpdTP.cfg"), FavoritesFile(Configs / "Favorites.cfg"),
      KnowFiltersFile(Configs / "KnowFilters.cfg"), CategoryFile(Category / "Category.txt"),
      SatListFile(SatFiles / "SatList.dat"), LastChFile(SatFiles / "LastCh.dat") {}

fs::path TAppPaths::PlacementFile(const std::string& exeName) const {
  return ExeDir / (exeName + ".INI");
}

const TAppPaths& Paths() { return StoredPaths(); }

void SetPaths(TAppPaths paths) { StoredPaths() = std::move(paths); }

fs::path ExecutableFile() {
  std::error_code ec;
  return fs::read_symlink("/proc/self/exe", ec);
}

fs::path ShareDir(const fs::path& exeDir) {
  return (exeDir / ".." / "share" / "qevdvb").lexically_normal();
}

std::string SeedRoot(const fs::path& root, const fs::path& shareDir) {
  if (IsDirectory(root / "Configs"))
    return {};
  // "Configs" is made last: it marks the root as seeded, so an interrupted copy is redone.
  std::error_code ec;
  fs::create_directories(root, ec);
  std::error_code probe;
  if (!ec && fs::is_directory(shareDir, probe))
    fs::copy(shareDir, root, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
  if (ec)
    return "Cannot copy the default files from " + shareDir.string() + " to " + root.string() +
           ": " + ec.message();
  fs::create_directories(root / "Configs", ec);
  if (ec)
    return "Cannot create " + (root / "Configs").string() + ": " + ec.message();
  return {};
}

} // namespace qev::frame
