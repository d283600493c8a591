#pragma once
// Applying plugin profiles, and the key-click actions the current profile names.

#include "plugins/plugin_log.h"
#include "plugins/plugin_profiles.h"
#include "plugins/plugin_table.h"

#include <functional>
#include <string>
#include <string_view>

namespace qev::plugins {

// What applying a profile needs of the host beyond the plugin table.
struct TProfileHostLinks {
  std::function<bool()> LoadEnabled;                  // PluginsLoadEn: profile 0's state
  std::function<void(int profile)> StoreStartProfile; // "StartProfile" of "Options"
  std::function<void(const std::string &)> Log;       // a host line of the plugin log
};

// The first plugin of the slot whose library name equals the trimmed name ignoring case, or
// -1; an empty name finds nothing.
int FindPlugin(const IPluginTable &table, int slot, std::string_view name);

// "Plugins profile [N] applyed in X ms".
std::string ProfileAppliedLine(int number, long long ms);
// The warning of a key-click on a plugin without a menu item.
std::string NoMenuIdWarning(std::string_view name);

class TProfileApplier {
public:
  TProfileApplier(IPluginTable &table, TPluginProfiles &profiles, TProfileHostLinks links);

  // Sets every plugin's Enabled as the profile says, stores it as StartProfile and announces
  // it (notification 11, 5). False, changing nothing, for the current profile or a number
  // outside 0..63.
  bool ApplyProfile(int number, bool notify);
  int Current() const { return current_; }
  // Runs the key-click action of the slot: button 0 left, 1 right.
  void KeyClick(int slot, int button);
  const TSlotNames &KeyClicks(int button) const { return button == 0 ? keyLeft_ : keyRight_; }

private:
  int StateFor(const TPluginProfile &profile, int number, const TPluginEntry &entry) const;
  void StoreStartProfile(int number);

  IPluginTable &table_;
  TPluginProfiles &profiles_;
  TProfileHostLinks links_;
  int current_ = kNoProfile;
  TSlotNames keyLeft_{};
  TSlotNames keyRight_{};
};

} // namespace qev::plugins
