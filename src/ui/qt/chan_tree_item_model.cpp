#include "ui/qt/chan_tree_item_model.h"

#include "data/code_tables.h"
#include "ui/qt/image_list.h"
#include "ui/tree_row_style.h"

namespace qev::ui {
namespace {

constexpr int kGroupIcon = 0;

} // namespace

TChanTreeItemModel::TChanTreeItemModel(TChannelTreeModel &tree, const TGSFRules &rules,
                                       const TTreeLookups &lookups, QObject *parent)
    : QAbstractItemModel(parent), tree_(tree), rules_(rules), lookups_(lookups) {
  IndexShownRows();
}

void TChanTreeItemModel::BeginChange() { beginResetModel(); }

void TChanTreeItemModel::EndChange() {
  IndexShownRows();
  endResetModel();
}

void TChanTreeItemModel::IndexShownRows() {
  const auto &rows = tree_.Rows();
  shown_.assign(rows.size(), {});
  position_.assign(rows.size(), -1);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    auto &shown = shown_[r];
    for (const int child : rows[r].Children) {
      if (!rows[static_cast<std::size_t>(child)].Shown)
        continue;
      position_[static_cast<std::size_t>(child)] = static_cast<int>(shown.size());
      shown.push_back(child);
    }
  }
}

QModelIndex TChanTreeItemModel::IndexOfRow(int row, int column) const {
  if (row <= TChannelTreeModel::kRoot || row >= static_cast<int>(position_.size()) ||
      position_[static_cast<std::size_t>(row)] < 0)
    return {};
  return createIndex(position_[static_cast<std::size_t>(row)], column, static_cast<quintptr>(row));
}

int TChanTreeItemModel::RowOf(const QModelIndex &index) const {
  return index.isValid() ? static_cast<int>(index.internalId()) : TChannelTreeModel::kRoot;
}

QModelIndex TChanTreeItemModel::index(int row, int column, const QModelIndex &parent) const {
  const auto p = static_cast<std::size_t>(RowOf(parent));
  if (p >= shown_.size() || row < 0 || row >= static_cast<int>(shown_[p].size()) || column < 0 ||
      column >= kTreeColumns)
    return {};
  return createIndex(row, column, static_cast<quintptr>(shown_[p][static_cast<std::size_t>(row)]));
}

QModelIndex TChanTreeItemModel::parent(const QModelIndex &child) const {
  const int row = RowOf(child);
  if (row <= TChannelTreeModel::kRoot)
    return {};
  return IndexOfRow(tree_.Row(row).Parent);
}

int TChanTreeItemModel::rowCount(const QModelIndex &parent) const {
  if (parent.column() > 0)
    return 0;
  const auto p = static_cast<std::size_t>(RowOf(parent));
  return p < shown_.size() ? static_cast<int>(shown_[p].size()) : 0;
}

int TChanTreeItemModel::columnCount(const QModelIndex &) const { return kTreeColumns; }

QVariant TChanTreeItemModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid())
    return {};
  const TTreeRow &row = tree_.Row(RowOf(index));
  if (role == Qt::DisplayRole)
    return Display(row, index.column());
  if (role == Qt::DecorationRole)
    return Decoration(row, index.column());
  return {};
}

QVariant TChanTreeItemModel::Display(const TTreeRow &row, int column) const {
  if (column == kTreeColumnName)
    return QString::fromStdString(row.RowText);
  if (column != kTreeColumnKind)
    return {};
  if (!row.IsChannel())
    return QStringLiteral("%1").arg(row.RowCount, 4);
  const auto rec = lookups_.ChannelByHandle(row.RowKey);
  return rec ? QString::fromStdString(InfoColumnText(rules_.ChfInfoCol, *rec, lookups_))
             : QString();
}

QVariant TChanTreeItemModel::Decoration(const TTreeRow &row, int column) const {
  if (column == kTreeColumnKind || (column == kTreeColumnFav && !row.IsChannel()))
    return {};
  if (!row.IsChannel())
    return Icon(kGroupIcon);
  const auto rec = lookups_.ChannelByHandle(row.RowKey);
  if (!rec)
    return {};
  const int number = column == kTreeColumnName ? data::ChannelIcon(*rec) : FavouriteIcon(*rec);
  return number < 0 ? QVariant() : QVariant(Icon(number));
}

QIcon TChanTreeItemModel::Icon(int number) const {
  auto it = icons_.find(number);
  if (it == icons_.end())
    it = icons_.insert(number, ImageListIcon(number));
  return *it;
}

QVariant TChanTreeItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return {};
  static const char *const kTitles[kTreeColumns] = {"Name", "Fav", "Kind"};
  return section >= 0 && section < kTreeColumns ? QString(kTitles[section]) : QVariant();
}

} // namespace qev::ui
