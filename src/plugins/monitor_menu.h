#pragma once
// The menu item a plugin runs on a double click or a key-click action ("MonitorMenuID").

#include "plugins/plugin_config.h"
#include "plugins/plugin_table.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qev::plugins {

struct TMenuChoice {
  int Id = 0;
  std::string Line; // "[ None ]" or id + " = " + text
};

// "[ None ]" first, then the plugin's top-level items with an id above 0, in order.
std::vector<TMenuChoice> MonitorMenuChoices(const std::vector<TPluginMenuItem> &menu);
std::string MonitorMenuTitle(const std::string &library);
inline constexpr const char *kMonitorMenuLabel = "Menu item:";

// Writes the id of the library into "MonitorMenuID" with the comment "Action:" + the item's
// text at column 25 (none for id 0, an older one removed). Returns an error text, empty on
// success.
std::string StoreMonitorMenuId(const std::filesystem::path &pluginsCfg, const std::string &library,
                               const TMenuChoice &choice);

// Asks for one of the lines: the chosen index, or -1 when cancelled.
using TChoiceAsker = std::function<int(const std::string &title, const std::string &label,
                                       const std::vector<std::string> &lines, int selected)>;

// The dialog of a plugin's monitor menu item: on confirmation every plugin of the library gets
// the chosen id, which is stored. True when confirmed; a failed save is shown as an error.
bool ChooseMonitorMenu(IPluginTable &table, const std::filesystem::path &pluginsCfg,
                       const std::string &library, const std::vector<TPluginMenuItem> &menu,
                       const TChoiceAsker &ask);

} // namespace qev::plugins
