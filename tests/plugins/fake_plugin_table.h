#pragma once

#include "plugins/plugin_table.h"

#include <tuple>
#include <vector>

namespace qev::test {

// A plugin table in memory that records what was asked of it.
class FakePluginTable : public plugins::IPluginTable {
public:
  int Add(int slot, std::string dll, bool enabled = true, int menuId = -1) {
    plugins::TPluginEntry entry;
    entry.AvSlot = static_cast<std::uint8_t>(slot);
    entry.DllName = std::move(dll);
    entry.PluginName = "Plugin " + entry.DllName;
    entry.Enabled = enabled;
    entry.MonitorMenuId = menuId;
    entries.push_back(std::move(entry));
    return static_cast<int>(entries.size()) - 1;
  }

  int Count() const override { return static_cast<int>(entries.size()); }
  const plugins::TPluginEntry &Entry(int index) const override { return entries.at(index); }
  void SetPluginEnabled(int index, bool on, bool notify) override {
    enables.emplace_back(index, on, notify);
    entries.at(index).Enabled = on;
  }
  void SetMonitorMenuId(int index, std::int32_t id) override {
    entries.at(index).MonitorMenuId = id;
  }
  void MenuSelect(int index, int id) override { menus.emplace_back(index, id); }
  std::vector<plugins::TPluginFilterView> Filters() const override { return filters; }

  std::vector<plugins::TPluginEntry> entries;
  std::vector<std::tuple<int, bool, bool>> enables;
  std::vector<std::pair<int, int>> menus;
  std::vector<plugins::TPluginFilterView> filters;
};

} // namespace qev::test
