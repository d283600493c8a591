#pragma once

#include "ui/qt/chan_tree_item_model.h"
#include "ui/tree_type_ahead.h"

#include <QStyledItemDelegate>
#include <QTreeView>

#include <cstdint>
#include <functional>

namespace qev::ui {

// Draws rows in their fonts and colours, which depend on the row, the rule set, the channel the
// slot plays and whether the tree has the focus.
class TChanTreeDelegate : public QStyledItemDelegate {
public:
  TChanTreeDelegate(const TChannelTreeModel &tree, const TGSFRules &rules,
                    std::function<std::int32_t()> currentHandle, QObject *parent);

protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
  const TChannelTreeModel &tree_;
  const TGSFRules &rules_;
  std::function<std::int32_t()> currentHandle_;
};

// The tree view: several selected rows, a right click selects the row under the mouse, typed
// letters jump to the next row starting with them, Enter asks for a switch.
class TChanTreeView : public QTreeView {
  Q_OBJECT
public:
  TChanTreeView(TChannelTreeModel &tree, QWidget *parent);

  void keyboardSearch(const QString &search) override;
  // The modifiers of the last mouse press, for telling a plain click from a selecting one.
  Qt::KeyboardModifiers PressModifiers() const { return pressModifiers_; }

signals:
  void SwitchRequested(const QModelIndex &index);

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;

private:
  TChannelTreeModel &tree_;
  TTypeAhead typeAhead_;
  Qt::KeyboardModifiers pressModifiers_;
};

} // namespace qev::ui
