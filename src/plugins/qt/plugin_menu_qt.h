#pragma once
// A plugin's own menu as a Qt popup, and the list choice that picks its monitor action.

#include "plugins/monitor_menu.h"
#include "plugins/plugin_table.h"

#include <QPoint>

class QMenu;
class QWidget;

namespace qev::plugins {

// Fills the menu with the plugin's items; choosing one runs it through the table.
void FillPluginMenu(QMenu &menu, IPluginTable &table, int index);
// Pops the plugin's menu up at the position (nothing when it has none).
void PopupPluginMenu(IPluginTable &table, int index, const QPoint &at, QWidget *owner);
// A list-choice dialog as ChooseMonitorMenu asks.
TChoiceAsker ListChoiceAsker(QWidget *parent);

} // namespace qev::plugins
