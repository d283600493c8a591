#include "plugins/monitor_menu.h"

#include "frame/fast_ini_file.h"
#include "frame/message_boxes.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

namespace qev::plugins {
namespace {

constexpr const char *kNoneLine = "[ None ]";
constexpr std::string_view kIdSeparator = " = ";

std::string ActionText(const TMenuChoice &choice) {
  const auto at = choice.Line.find(kIdSeparator);
  return at == std::string::npos ? "" : choice.Line.substr(at + kIdSeparator.size());
}

} // namespace

std::vector<TMenuChoice> MonitorMenuChoices(const std::vector<TPluginMenuItem> &menu) {
  std::vector<TMenuChoice> choices{{0, kNoneLine}};
  for (const auto &item : menu)
    if (item.Id > 0)
      choices.push_back(
          {item.Id, fmt::format("{}{}{}", item.Id, kIdSeparator, frame::Trim(item.Text))});
  return choices;
}

std::string MonitorMenuTitle(const std::string &library) {
  return "[" + library + "] Select action";
}

std::string StoreMonitorMenuId(const std::filesystem::path &pluginsCfg, const std::string &library,
                               const TMenuChoice &choice) {
  frame::TFastIniFile ini(pluginsCfg);
  if (!WriteMonitorMenuId(ini, library, choice.Id, ActionText(choice)))
    return fmt::format("The action of {} cannot be stored", library);
  if (ini.Unreadable())
    return fmt::format("{} cannot be read, so it is not written", pluginsCfg.string());
  return ini.UpdateFile();
}

bool ChooseMonitorMenu(IPluginTable &table, const std::filesystem::path &pluginsCfg,
                       const std::string &library, const std::vector<TPluginMenuItem> &menu,
                       const TChoiceAsker &ask) {
  const auto choices = MonitorMenuChoices(menu);
  std::vector<std::string> lines;
  int selected = 0;
  for (const auto &choice : choices) {
    lines.push_back(choice.Line);
    for (int index = 0; index < table.Count(); ++index)
      if (choice.Id > 0 && frame::EqualsNoCase(table.Entry(index).DllName, library) &&
          table.Entry(index).MonitorMenuId == choice.Id)
        selected = static_cast<int>(lines.size()) - 1;
  }
  const int chosen = ask ? ask(MonitorMenuTitle(library), kMonitorMenuLabel, lines, selected) : -1;
  if (chosen < 0 || chosen >= static_cast<int>(choices.size()))
    return false;
  const TMenuChoice &choice = choices[static_cast<std::size_t>(chosen)];
  for (int index = 0; index < table.Count(); ++index)
    if (frame::EqualsNoCase(table.Entry(index).DllName, library))
      table.SetMonitorMenuId(index, choice.Id);
  if (const auto error = StoreMonitorMenuId(pluginsCfg, library, choice); !error.empty())
    frame::ShowError(error);
  return true;
}

} // namespace qev::plugins
