#include "plugins/plugin_config.h"

#include "frame/fast_ini_file.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <cctype>

namespace qev::plugins {
namespace {

constexpr const char *kPkSizeKey = "PluginsPkSize";
constexpr const char *kFixCrcKey = "PluginsFixCrc";
constexpr const char *kChSaveKey = "PluginsChSave";
constexpr const char *kLoadEnKey = "PluginsLoadEn";
constexpr const char *kLogBadKey = "LogBadApiCmd";
constexpr const char *kStartProfileKey = "StartProfile";

std::string SortKey(std::string_view name) {
  std::string key(name);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

} // namespace

TPluginOptions ReadPluginOptions(frame::TFastIniFile &file) {
  const TPluginOptions defaults;
  TPluginOptions options;
  const char *section = kPluginsOptionsSection;
  options.PkSize = std::clamp(file.ReadInteger(section, kPkSizeKey, defaults.PkSize), 0, 3);
  options.FixCrc = file.ReadBool(section, kFixCrcKey, defaults.FixCrc);
  options.ChSave = file.ReadBool(section, kChSaveKey, defaults.ChSave);
  options.LoadEn = file.ReadBool(section, kLoadEnKey, defaults.LoadEn);
  options.LogBadApiCmd = file.ReadBool(section, kLogBadKey, defaults.LogBadApiCmd);
  options.StartProfile = file.ReadInteger(section, kStartProfileKey, defaults.StartProfile);
  return options;
}

void WritePluginOptions(frame::TFastIniFile &file, const TPluginOptions &options) {
  const char *section = kPluginsOptionsSection;
  file.WriteInteger(section, kPkSizeKey, options.PkSize);
  file.WriteBool(section, kFixCrcKey, options.FixCrc);
  file.WriteBool(section, kChSaveKey, options.ChSave);
  file.WriteBool(section, kLoadEnKey, options.LoadEn);
  file.WriteBool(section, kLogBadKey, options.LogBadApiCmd);
  file.WriteInteger(section, kStartProfileKey, options.StartProfile);
}

std::vector<std::string> ReadKnowPlugins(frame::TFastIniFile &file) {
  std::vector<std::string> names;
  for (const std::string &name : file.ReadStringList(kKnowPluginsSection, kKnowPluginsListName))
    AddKnownPlugin(names, name);
  return names;
}

bool WriteKnowPlugins(frame::TFastIniFile &file, const std::vector<std::string> &names) {
  return file.WriteStringList(kKnowPluginsSection, kKnowPluginsListName, names);
}

bool AddKnownPlugin(std::vector<std::string> &names, std::string_view name) {
  const std::string trimmed = frame::Trim(name);
  if (trimmed.empty())
    return false;
  for (const std::string &known : names)
    if (frame::EqualsNoCase(known, trimmed))
      return false;
  const std::string key = SortKey(trimmed);
  const auto at = std::find_if(names.begin(), names.end(),
                               [&](const std::string &known) { return SortKey(known) > key; });
  names.insert(at, trimmed);
  return true;
}

std::int32_t ReadMonitorMenuId(frame::TFastIniFile &file, std::string_view dllName) {
  if (frame::Trim(dllName).empty())
    return -1;
  return file.ReadInteger(kMonitorMenuSection, frame::Trim(dllName), -1);
}

bool WriteMonitorMenuId(frame::TFastIniFile &file, std::string_view dllName, std::int32_t id,
                        std::string_view menuText) {
  const std::string key = frame::Trim(dllName);
  if (key.empty())
    return false;
  // A value rewritten in place keeps its comment: drop the key so an old action goes with it.
  file.DeleteKey(kMonitorMenuSection, key);
  if (!file.WriteInteger(kMonitorMenuSection, key, id))
    return false;
  const std::string text = frame::Trim(menuText);
  if (text.empty())
    return true;
  return file.SetKeyComment(kMonitorMenuSection, key, frame::TFastIniFile::kReplaceExisting,
                            kMonitorMenuCommentColumn, "Action:" + text);
}

} // namespace qev::plugins
