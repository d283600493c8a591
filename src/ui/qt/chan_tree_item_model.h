#pragma once

#include "ui/channel_tree_model.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QIcon>

#include <vector>

namespace qev::ui {

// The Qt face of a TChannelTreeModel: its shown rows, texts and icons looked up when asked for.
// A change of the tree's rows or of what is shown is one model reset, never a row at a time.
class TChanTreeItemModel : public QAbstractItemModel {
  Q_OBJECT
public:
  TChanTreeItemModel(TChannelTreeModel &tree, const TGSFRules &rules, const TTreeLookups &lookups,
                     QObject *parent);

  // Brackets a rebuild or refilter of the tree.
  void BeginChange();
  void EndChange();

  QModelIndex IndexOfRow(int row, int column = 0) const;
  // The tree row of an index; TChannelTreeModel::kRoot for the invalid index.
  int RowOf(const QModelIndex &index) const;

  QModelIndex index(int row, int column, const QModelIndex &parent) const override;
  QModelIndex parent(const QModelIndex &child) const override;
  int rowCount(const QModelIndex &parent) const override;
  int columnCount(const QModelIndex &parent) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  void IndexShownRows();
  QIcon Icon(int number) const;
  QVariant Display(const TTreeRow &row, int column) const;
  QVariant Decoration(const TTreeRow &row, int column) const;

  TChannelTreeModel &tree_;
  const TGSFRules &rules_;
  const TTreeLookups &lookups_;
  std::vector<std::vector<int>> shown_; // per tree row: its shown children
  std::vector<int> position_;           // per tree row: its place among its parent's shown rows
  mutable QHash<int, QIcon> icons_;
};

} // namespace qev::ui
