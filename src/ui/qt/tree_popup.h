#pragma once

#include "ui/qt/chan_tree_item_model.h"
#include "ui/tree_popup_actions.h"
#include "ui/tree_popup_rules.h"

#include <QKeySequence>
#include <QObject>

class QAction;
class QMenu;
class QTreeView;

namespace qev::ui {

// The context menus of a channel tree: the channel menu (AV slot 0), the second-tree menu
// (other slots) and the selection menu (a group or several rows). The channel menu's keys work
// while the tree has the focus.
class TDMTreePopup : public QObject {
  Q_OBJECT
public:
  TDMTreePopup(QTreeView &view, TChannelTreeModel &tree, TUiContext &context, int slot);

  // The menu the tree's state calls for, filled and ready to show; null when none applies.
  QMenu *PreparedMenu();

private:
  QAction *Add(QMenu &menu, const char *text, std::function<void()> action,
               const QKeySequence &keys = {});
  void BuildChannelMenu();
  void BuildSecondMenu();
  void BuildSelectionMenu();
  void PrepareChannelMenu();
  void RunSelection(bool (TTreeMenuActions::*action)(const std::vector<std::int32_t> &));
  void Show(const QPoint &at);

  QTreeView &view_;
  TChannelTreeModel &tree_;
  TUiContext &context_;
  int slot_;
  TTreeMenuActions actions_;
  TTreeMenuChoice choice_;
  QMenu *channelMenu_ = nullptr;
  QMenu *secondMenu_ = nullptr;
  QMenu *selectionMenu_ = nullptr;
  QAction *favourite_ = nullptr, *favEdit_ = nullptr, *lock_ = nullptr, *record_ = nullptr;
  QAction *schedule_ = nullptr, *edit_ = nullptr, *rescan_ = nullptr, *title_ = nullptr;
  QAction *setFavourites_ = nullptr, *profile_ = nullptr;
};

} // namespace qev::ui
