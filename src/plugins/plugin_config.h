#pragma once
// What the plugin host keeps in "Plugins.cfg" besides the profiles: the "Options" keys, the
// list of every plugin library ever loaded and the menu item each library runs on a double
// click or a key click. Each function works on a file object the caller opened for one load or
// one save (frame::TFastIniFile).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {
class TFastIniFile;
}

namespace qev::plugins {

inline constexpr const char *kPluginsOptionsSection = "Options";
inline constexpr const char *kKnowPluginsSection = "KnowPlugins";
inline constexpr const char *kKnowPluginsListName = "Dll";
inline constexpr const char *kMonitorMenuSection = "MonitorMenuID";
// The column of the "Action:" comment behind a MonitorMenuID value.
inline constexpr std::size_t kMonitorMenuCommentColumn = 25;

// Block sizes a plugin filter may ask the module for.
enum PluginsPkSize : int { kPkDefault = 0, kPk184 = 1, kPk368 = 2, kPk920 = 3 };

struct TPluginOptions {
  int PkSize = kPkDefault; // PluginsPkSize, 0..3
  bool FixCrc = true;      // PluginsFixCrc
  bool ChSave = true;      // PluginsChSave
  bool LoadEn = true;      // PluginsLoadEn
  bool LogBadApiCmd = true;
  int StartProfile = 0;
};

TPluginOptions ReadPluginOptions(frame::TFastIniFile &file);
// Writes every "Options" key (the file is written back only when one changed).
void WritePluginOptions(frame::TFastIniFile &file, const TPluginOptions &options);

// Sorted, each name once whatever its letter case.
std::vector<std::string> ReadKnowPlugins(frame::TFastIniFile &file);
bool WriteKnowPlugins(frame::TFastIniFile &file, const std::vector<std::string> &names);
// Inserts a trimmed, non-empty name in order unless it is there in any letter case; true when
// it was added.
bool AddKnownPlugin(std::vector<std::string> &names, std::string_view name);

// The library's menu item id, -1 when none is stored.
std::int32_t ReadMonitorMenuId(frame::TFastIniFile &file, std::string_view dllName);
// Stores the id with the comment "Action:" + menuText at column 25, replacing an older one;
// an empty menuText leaves no comment.
bool WriteMonitorMenuId(frame::TFastIniFile &file, std::string_view dllName, std::int32_t id,
                        std::string_view menuText);

} // namespace qev::plugins
