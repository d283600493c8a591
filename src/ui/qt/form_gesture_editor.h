#pragma once

#include "ui/gesture_table.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace qev::ui {

// The gesture table as a tree: one bold row per window group, under it the actions with their
// gestures in readable form. A double click on an action draws a new gesture for it. There is
// no cancel: what was changed stays changed.
class TFormGestureEditor final : public QDialog {
  Q_OBJECT
public:
  // Draws a gesture for an action (its name, its gesture now); nothing when cancelled.
  using TAsk = std::function<std::optional<std::string>(QWidget *owner, const QString &name,
                                                        const std::string &gesture)>;

  TFormGestureEditor(QWidget *owner, TGestureTable &table, TAsk ask = {});

  QTreeWidget *Tree() const { return tree_; }
  // The row of a table entry; null for none.
  QTreeWidgetItem *ActionItem(std::size_t index) const;
  void EditAction(QTreeWidgetItem *item);

private:
  void Fill();
  QTreeWidgetItem *GroupItem(const QString &name);

  TGestureTable &table_;
  TAsk ask_;
  QTreeWidget *tree_;
};

// Opens the editor and writes the table to the file when it closes; a failed save is shown.
void EditGestures(QWidget *owner, TGestureTable &table, const std::filesystem::path &file);

} // namespace qev::ui
