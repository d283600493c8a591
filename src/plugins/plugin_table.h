#pragma once
// What the host keeps of each loaded plugin, and the operations the profiles, the viewer and the
// main window need of it. The host (loader, command dispatcher and feed) implements
// IPluginTable; profiles and windows use only this interface.

#include <cstdint>
#include <string>
#include <vector>

namespace qev::plugins {

inline constexpr int kMaxPlugins = 101;
inline constexpr int kPluginSlots = 4;

// One item of a plugin's own menu; popups hold their items, plain items have Id > 0.
struct TPluginMenuItem {
  int Id = 0;
  std::string Text;
  std::vector<TPluginMenuItem> Items;
};

struct TPluginEntry {
  std::uint8_t AvSlot = 0;
  bool Enabled = false;
  std::string DllName;    // trimmed file name, at most 32 characters
  std::string PluginName; // the name the plugin reports, at most 32 characters
  std::int32_t MonitorMenuId = -1;
  std::vector<TPluginMenuItem> Menu; // empty when the library has none
};

// An open filter as the viewer shows it.
struct TPluginFilterView {
  int Index = 0; // in the filter table
  int PluginIndex = -1;
  std::uint16_t FilterId = 0;
  std::uint16_t Pid = 0;
  std::string Name;
  std::uint64_t Bytes = 0; // delivered to the plugin so far
};

class IPluginTable {
public:
  virtual ~IPluginTable() = default;
  virtual int Count() const = 0;
  virtual const TPluginEntry &Entry(int index) const = 0;
  // Stores Enabled; with notify the plugin hears its slot's channel (on) or no channel (off).
  virtual void SetPluginEnabled(int index, bool on, bool notify) = 0;
  virtual void SetMonitorMenuId(int index, std::int32_t id) = 0;
  // Runs the plugin's menu item on the GUI thread; nothing when it has no menu entry point.
  virtual void MenuSelect(int index, int id) = 0;
  virtual std::vector<TPluginFilterView> Filters() const = 0;
};

} // namespace qev::plugins
