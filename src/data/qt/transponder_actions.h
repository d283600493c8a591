#pragma once

#include "data/tp_editing.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QMenu;
class QTreeWidget;
class QWidget;

namespace qev::data {

// What the transponder commands work on: the scanner's list, its blind list, the entries that
// ended the last scan with a warning, and the satellite's position (for the coverage files).
struct TTpActionLinks {
  std::function<TSatTransponders &()> List;
  std::function<const std::vector<TTransponder> &()> Blind;
  std::function<std::vector<std::string>()> Warned = [] { return std::vector<std::string>{}; };
  std::function<int()> Position = [] { return 0; };
  // The list changed: its rows are shown again (row i is entry i).
  std::function<void()> Changed = [] {};
};

// Adding, editing, deleting and selecting transponders, and their coverage; each asks through
// its dialog. The selection criteria are kept for the program's run.
class TTransponderActions : public QObject {
  Q_OBJECT
public:
  TTransponderActions(QWidget *owner, TTpActionLinks links);

  void Add();
  void Edit(int row);
  void Delete(int row);
  void DeleteMarked();
  void Select(TpSelectRule rule);
  void SelectByCriteria();
  void Coverage(int row);

  // The commands as menu items; those that need an entry take the list's current row.
  void FillMenu(QMenu &menu, QTreeWidget &list);

private:
  bool Valid(int row);

  QWidget *owner_;
  TTpActionLinks links_;
  TCoverageCache coverage_;
};

// The commands as the list's context menu and on the Insert, F2 and Delete keys.
TTransponderActions *InstallTransponderActions(QTreeWidget &list, TTpActionLinks links);

} // namespace qev::data
