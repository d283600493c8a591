#pragma once

#include "ui/channel_tree_model.h"
#include "ui/ui_context.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class QTreeView;

namespace qev::ui {

// Which parts a channel tree frame has besides the tree.
struct TChanTreeParts {
  bool ContextMenu = false;
  bool NavigationBar = false;
  bool FilterPanel = false;
};

// One channel tree of an AV slot: the view over TChannelTreeModel, with its optional filter
// panel, navigation bar and context menus. Named "ChTreeFrame" + slot; it follows
// notifications 4, 5, 6, 7 and 10 from the context's hub while it exists.
class TFrameChanTree : public QWidget {
  Q_OBJECT
public:
  TFrameChanTree(QWidget *owner, TUiContext &context, TChanTreeParts parts, TGSFRules &rules,
                 int slot);
  ~TFrameChanTree() override;

  void RebuildTree();
  void RefilterTree();
  bool FocusChannel(std::int32_t handle);
  void StepChannel(int direction);

  int Slot() const;
  TChannelTreeModel &Model();
  QTreeView *TreeView() const;

signals:
  // Off while the filter panel's name edit has the keyboard focus, on again when it leaves.
  void HotkeysActiveChanged(bool active);

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::ui
