#include "ui/qt/chan_tree_view.h"

#include "ui/tree_row_style.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace qev::ui {
namespace {

QColor ColourOf(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

} // namespace

TChanTreeDelegate::TChanTreeDelegate(const TChannelTreeModel &tree, const TGSFRules &rules,
                                     std::function<std::int32_t()> currentHandle, QObject *parent)
    : QStyledItemDelegate(parent), tree_(tree), rules_(rules),
      currentHandle_(std::move(currentHandle)) {}

void TChanTreeDelegate::initStyleOption(QStyleOptionViewItem *option,
                                        const QModelIndex &index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const int row = static_cast<int>(index.internalId());
  if (!index.isValid() || row <= TChannelTreeModel::kRoot ||
      row >= static_cast<int>(tree_.Rows().size()))
    return;
  TRowState state;
  state.Selected = (option->state & QStyle::State_Selected) != 0;
  state.TreeFocused = option->widget != nullptr && option->widget->hasFocus();
  state.CurrentHandle = currentHandle_ ? currentHandle_() : 0;
  const TRowStyle style = TreeRowStyle(tree_.Row(row), index.column(), rules_, state);
  option->font.setBold(style.Bold);
  if (style.Fixed)
    option->font.setFamily(QStringLiteral("Courier new"));
  if (style.OwnColour) {
    option->palette.setColor(QPalette::Text, ColourOf(style.Text));
    option->palette.setColor(QPalette::HighlightedText, ColourOf(style.Text));
  }
}

TChanTreeView::TChanTreeView(TChannelTreeModel &tree, QWidget *parent)
    : QTreeView(parent), tree_(tree) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void TChanTreeView::keyboardSearch(const QString &search) {
  const std::string &text = typeAhead_.Add(search.toStdString(), TTypeAhead::TClock::now());
  const auto *items = qobject_cast<const TChanTreeItemModel *>(model());
  const int row = TypeAheadRow(tree_, text);
  if (items == nullptr || row == TChannelTreeModel::kNoRow)
    return;
  const QModelIndex found = items->IndexOfRow(row);
  setCurrentIndex(found);
  scrollTo(found);
}

void TChanTreeView::keyPressEvent(QKeyEvent *event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      currentIndex().isValid()) {
    emit SwitchRequested(currentIndex());
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TChanTreeView::mousePressEvent(QMouseEvent *event) {
  pressModifiers_ = event->modifiers();
  const QModelIndex under = indexAt(event->position().toPoint());
  if (event->button() == Qt::RightButton && under.isValid()) {
    // A row that is part of a selection keeps it, so the selection menu can act on it.
    const auto flags = selectionModel()->isSelected(under)
                           ? QItemSelectionModel::NoUpdate
                           : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(under, flags);
    return;
  }
  QTreeView::mousePressEvent(event);
}

} // namespace qev::ui
