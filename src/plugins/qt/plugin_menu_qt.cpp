#include "plugins/qt/plugin_menu_qt.h"

#include <QInputDialog>
#include <QMenu>
#include <QStringList>

namespace qev::plugins {
namespace {

void AddItems(QMenu &menu, const std::vector<TPluginMenuItem> &items, IPluginTable &table,
              int index) {
  for (const TPluginMenuItem &item : items) {
    const QString text = QString::fromStdString(item.Text);
    if (!item.Items.empty()) {
      AddItems(*menu.addMenu(text), item.Items, table, index);
    } else if (item.Id > 0) {
      const int id = item.Id;
      menu.addAction(text, [&table, index, id] { table.MenuSelect(index, id); });
    } else if (item.Text.empty() || item.Text == "-") {
      menu.addSeparator();
    } else {
      menu.addAction(text)->setEnabled(false);
    }
  }
}

} // namespace

void FillPluginMenu(QMenu &menu, IPluginTable &table, int index) {
  if (index >= 0 && index < table.Count())
    AddItems(menu, table.Entry(index).Menu, table, index);
}

void PopupPluginMenu(IPluginTable &table, int index, const QPoint &at, QWidget *owner) {
  QMenu menu(owner);
  menu.setObjectName("PluginMenu");
  FillPluginMenu(menu, table, index);
  if (!menu.isEmpty())
    menu.exec(at);
}

TChoiceAsker ListChoiceAsker(QWidget *parent) {
  return [parent](const std::string &title, const std::string &label,
                  const std::vector<std::string> &lines, int selected) {
    QStringList items;
    for (const std::string &line : lines)
      items << QString::fromStdString(line);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent, QString::fromStdString(title), QString::fromStdString(label),
                              items, selected, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
  };
}

} // namespace qev::plugins
