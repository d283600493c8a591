#pragma once

#include "video/graph_check.h"

#include <QDialog>

class QTreeWidget;

namespace qev::video {

// The filters of a graph file as a tree: each filter's class and name with what the registry
// says of it; unusable ones bold, dark blue and expanded.
class TFormGraphCheck final : public QDialog {
  Q_OBJECT
public:
  TFormGraphCheck(const std::filesystem::path &file, const TGraphCheck &check, qint64 elapsedMs,
                  QWidget *parent = nullptr);
  QTreeWidget *Tree() const { return tree_; }

private:
  QTreeWidget *tree_;
};

struct TGraphCheckShown {
  bool AllUsable = false;
  TFormGraphCheck *Window = nullptr; // shown, deleted on close; null when not shown
};

// Checks the filters a graph file names; the window shows when one failed or when asked to.
TGraphCheckShown CheckGraphFile(const std::filesystem::path &file, bool alwaysShow,
                                IFilterRegistry &registry, QWidget *parent = nullptr);

} // namespace qev::video
