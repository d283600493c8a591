#pragma once
// One loaded plugin library: its entry points, its menu and what the host keeps of it.

#include "mdapi/qev_mdapi.h"
#include "plugins/feed_thread.h"
#include "plugins/plugin_table.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qev::plugins {

inline constexpr std::size_t kPluginNameChars = 32;

struct TPluginExports {
  On_Send_Dll_ID_Name_t SendName = nullptr;
  On_Start_t Start = nullptr;
  On_Menu_Select_t MenuSelect = nullptr;
  On_Channel_Change_t ChannelChange = nullptr;
  On_Exit_t Exit = nullptr;
  On_Filter_Close_t FilterClose = nullptr;
};

struct TLoadedPlugin {
  TPluginEntry Entry;
  std::filesystem::path Path;
  void *Module = nullptr; // stays loaded until the process ends
  std::array<std::uint8_t, QEV_MDAPI_START_AREA> StartArea{};
  TPluginExports Exports;
  std::unique_ptr<TPlgFeedThread> Feed; // from the plugin's first filter on
};

// The library's required and optional entry points; false when a required one is missing.
bool FindExports(void *module, TPluginExports &exports);
// The plugin's name from the 128-byte buffer it filled: up to the first zero, trimmed, at
// most 32 characters (cut at a character boundary).
std::string PluginNameFrom(const char (&buffer)[QEV_MDAPI_NAME_BUFFER]);
// The menu in the text form of the interface header.
std::vector<TPluginMenuItem> ParseMenuText(std::string_view text);
// From the exported MdApi_ExternMenu text, else from "<name>.menu" beside the library; empty
// when there is neither.
std::vector<TPluginMenuItem> LoadPluginMenu(void *module, const std::filesystem::path &library);
// Whether the file name is one the scan loads ("*.so").
bool IsPluginFileName(const std::filesystem::path &path);

} // namespace qev::plugins
