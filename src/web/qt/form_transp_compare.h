#pragma once

#include "web/tp_sync.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace qev::web {

// Column texts of the synchronisation rows.
inline constexpr const char *kColumnSource = "Source";
inline constexpr const char *kColumnCurrent = "Current";
inline constexpr int kSourceColumn = 0, kGapColumn = 1, kCurrentColumn = 2;

// The synchronisation dialog over a TTpSync: the two lists side by side, the settings that
// pair them, and the buttons and menu that copy, delete, update, undo and revert. OK (the
// save-and-exit button) accepts; the caller then applies the model.
class TFormTranspCompare : public QDialog {
  Q_OBJECT
public:
  TFormTranspCompare(QWidget *owner, const data::TSatTransponders &newList,
                     const data::TSatTransponders &current);

  TTpSync &Model() { return sync_; }
  // The model row shown on a line of the view.
  int ModelRow(int line) const;
  // The context menu as it would open now; null when it is not offered.
  QMenu *ContextMenu();

private:
  QWidget *SettingsPanel();
  QWidget *ButtonPanel();
  void ShowRows();
  void ShowRow(QTreeWidgetItem &item, const TSyncRow &row, bool selected);
  void RefreshStyles();
  void EnableButtons();
  void DoubleClicked(QTreeWidgetItem *item, int column);
  void ForSelected(bool (TTpSync::*action)(int));
  void Ask(const char *question, void (TTpSync::*action)());

  TTpSync sync_;
  QLabel *newHeader_, *currentHeader_;
  QTreeWidget *rows_;
  QPushButton *update_, *undo_, *revert_;
  QMenu *menu_;
  QAction *copyItem_, *deleteItem_;
};

// Asks about differing positions, then shows the dialog; on OK writes the result into current
// and returns true. Cancelling leaves current untouched.
bool SyncTransponders(QWidget *owner, const data::TSatTransponders &newList,
                      data::TSatTransponders &current);

} // namespace qev::web
