#include "web/qt/form_transp_compare.h"

#include "frame/message_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::web {

namespace {

template <typename Widget> Widget *Named(const char *name, QWidget *parent) {
  auto *widget = new Widget(parent);
  widget->setObjectName(name);
  return widget;
}

QString Text(const std::string &text) { return QString::fromStdString(text); }

QString EntryText(const data::TTransponder &tp) {
  return data::TpValid(tp) ? Text(data::TpText(tp)) : QString();
}

QColor StateColour(std::uint8_t state) {
  switch (state) {
  case kSyncOnlyNew:
    return Qt::blue;
  case kSyncOnlyCurrent:
    return Qt::gray;
  case kSyncChanged:
    return Qt::red;
  default:
    return Qt::black;
  }
}

} // namespace

TFormTranspCompare::TFormTranspCompare(QWidget *owner, const data::TSatTransponders &newList,
                                       const data::TSatTransponders &current)
    : QDialog(owner), sync_(newList, current) {
  setObjectName("FormTranspCompare");
  setWindowTitle("Transponders synchronization");
  resize(560, 520);
  auto *column = new QVBoxLayout(this);
  auto *headers = new QHBoxLayout;
  newHeader_ = Named<QLabel>("NewHeader", this);
  currentHeader_ = Named<QLabel>("CurrentHeader", this);
  newHeader_->setText(Text(SyncHeader(newList)));
  currentHeader_->setText(Text(SyncHeader(current)));
  for (QLabel *header : {newHeader_, currentHeader_}) {
    header->setFrameShape(QFrame::Panel);
    header->setAlignment(Qt::AlignCenter);
    headers->addWidget(header, 1);
  }
  column->addLayout(headers);

  rows_ = Named<QTreeWidget>("SyncRows", this);
  rows_->setColumnCount(3);
  rows_->setHeaderLabels({kColumnSource, "", kColumnCurrent});
  rows_->setRootIsDecorated(false);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows_->header()->setSectionResizeMode(kSourceColumn, QHeaderView::Stretch);
  rows_->header()->setSectionResizeMode(kGapColumn, QHeaderView::Fixed);
  rows_->header()->setSectionResizeMode(kCurrentColumn, QHeaderView::Stretch);
  rows_->header()->setStretchLastSection(false);
  rows_->setColumnWidth(kGapColumn, 12);
  rows_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rows_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem *item, int col) { DoubleClicked(item, col); });
  connect(rows_, &QTreeWidget::itemSelectionChanged, this, [this] { RefreshStyles(); });
  connect(rows_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
    if (QMenu *menu = ContextMenu())
      menu->popup(rows_->viewport()->mapToGlobal(at));
  });
  column->addWidget(rows_, 1);
  column->addWidget(SettingsPanel());
  column->addWidget(ButtonPanel());

  menu_ = new QMenu(this);
  copyItem_ = menu_->addAction("Copy", this, [this] { ForSelected(&TTpSync::Copy); });
  deleteItem_ = menu_->addAction("Delete", this, [this] { ForSelected(&TTpSync::Delete); });
  menu_->addSeparator();
  menu_->addAction("Select all", rows_, &QTreeWidget::selectAll);
  copyItem_->setObjectName("CopyItem");
  deleteItem_->setObjectName("DeleteItem");
  ShowRows();
}

QWidget *TFormTranspCompare::SettingsPanel() {
  auto *panel = new QWidget(this);
  auto *form = new QFormLayout(panel);
  auto *maxDiff = Named<QSpinBox>("MaxDiffEdit", panel);
  maxDiff->setRange(0, 5);
  maxDiff->setValue(sync_.Settings().MaxDiff);
  maxDiff->setSuffix(" MHz");
  auto *offset = Named<QSpinBox>("OffsetEdit", panel);
  offset->setRange(-5, 5);
  offset->setValue(sync_.Settings().Offset);
  offset->setSuffix(" MHz");
  auto *ignore = Named<QCheckBox>("IgnoreFreqCheck", panel);
  ignore->setText("Frequency differences do not count");
  ignore->setChecked(sync_.Settings().IgnoreFreqDiff);
  auto *filter = Named<QComboBox>("FilterCombo", panel);
  filter->addItems({"All", "All but equal", "Only new", "Only current", "Equal", "Changed"});
  auto *sort = Named<QComboBox>("SortCombo", panel);
  sort->addItems({"Polarisation, frequency", "Frequency, polarisation"});
  form->addRow("Maximum difference", maxDiff);
  form->addRow("Frequency offset", offset);
  form->addRow("", ignore);
  form->addRow("Show", filter);
  form->addRow("Sort", sort);
  connect(maxDiff, &QSpinBox::valueChanged, this, [this](int v) {
    sync_.SetMaxDiff(v);
    ShowRows();
  });
  connect(offset, &QSpinBox::valueChanged, this, [this](int v) {
    sync_.SetOffset(v);
    ShowRows();
  });
  connect(ignore, &QCheckBox::toggled, this, [this](bool on) {
    sync_.SetIgnoreFreqDiff(on);
    ShowRows();
  });
  connect(filter, &QComboBox::currentIndexChanged, this, [this](int v) {
    sync_.SetFilter(v);
    ShowRows();
  });
  connect(sort, &QComboBox::currentIndexChanged, this, [this](int v) {
    sync_.SetSortOrder(v);
    ShowRows();
  });
  return panel;
}

QWidget *TFormTranspCompare::ButtonPanel() {
  auto *panel = new QWidget(this);
  auto *row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  auto button = [&](const char *name, const QString &caption) {
    auto *b = Named<QPushButton>(name, panel);
    b->setText(caption);
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
  };
  connect(button("CopyAllButton", "Copy all"), &QPushButton::clicked, this, [this] {
    sync_.CopyAll();
    ShowRows();
  });
  update_ = button("UpdateButton", "Update");
  undo_ = button("UndoButton", "Undo");
  revert_ = button("RevertButton", "Revert");
  connect(update_, &QPushButton::clicked, this, [this] { Ask(kAskSaveChanges, &TTpSync::Update); });
  connect(undo_, &QPushButton::clicked, this, [this] { Ask(kAskDiscardChanges, &TTpSync::Undo); });
  connect(revert_, &QPushButton::clicked, this, [this] { Ask(kAskRevert, &TTpSync::Revert); });
  row->addStretch(1);
  connect(button("OkButton", "OK"), &QPushButton::clicked, this, &QDialog::accept);
  connect(button("CancelButton", "Cancel"), &QPushButton::clicked, this, &QDialog::reject);
  return panel;
}

void TFormTranspCompare::Ask(const char *question, void (TTpSync::*action)()) {
  if (!frame::Confirm(question))
    return;
  (sync_.*action)();
  ShowRows();
}

int TFormTranspCompare::ModelRow(int line) const {
  QTreeWidgetItem *item = rows_->topLevelItem(line);
  return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TFormTranspCompare::ShowRows() {
  const QSignalBlocker block(rows_);
  rows_->clear();
  for (int row : sync_.Visible()) {
    auto *item = new QTreeWidgetItem(rows_);
    item->setData(0, Qt::UserRole, row);
  }
  RefreshStyles();
  EnableButtons();
}

void TFormTranspCompare::RefreshStyles() {
  for (int line = 0; line < rows_->topLevelItemCount(); ++line) {
    QTreeWidgetItem *item = rows_->topLevelItem(line);
    ShowRow(*item, sync_.Rows()[static_cast<std::size_t>(ModelRow(line))], item->isSelected());
  }
}

void TFormTranspCompare::ShowRow(QTreeWidgetItem &item, const TSyncRow &row, bool selected) {
  item.setText(kSourceColumn, EntryText(row.New));
  item.setText(kCurrentColumn, EntryText(row.Current));
  const QBrush background = row.Action != kActionNone ? palette().toolTipBase() : QBrush();
  for (int col = 0; col < 3; ++col) {
    QFont font = rows_->font();
    font.setBold(selected);
    font.setItalic(row.Action == kActionCopy ||
                   (row.Action == kActionDelete && col == kCurrentColumn));
    font.setStrikeOut(row.Action == kActionDelete && col == kCurrentColumn);
    item.setFont(col, font);
    item.setBackground(col, background);
    item.setForeground(col, row.Action != kActionNone ? palette().toolTipText()
                                                      : QBrush(StateColour(row.State)));
  }
}

void TFormTranspCompare::EnableButtons() {
  update_->setEnabled(sync_.UpdateEnabled());
  undo_->setEnabled(sync_.UndoEnabled());
  revert_->setEnabled(sync_.RevertEnabled());
}

void TFormTranspCompare::DoubleClicked(QTreeWidgetItem *item, int column) {
  const int row = item ? item->data(0, Qt::UserRole).toInt() : -1;
  if (row < 0)
    return;
  if (!sync_.Cancel(row)) {
    if (column == kSourceColumn)
      sync_.Copy(row);
    else if (column == kCurrentColumn)
      sync_.Delete(row);
  }
  RefreshStyles();
  EnableButtons();
}

void TFormTranspCompare::ForSelected(bool (TTpSync::*action)(int)) {
  for (QTreeWidgetItem *item : rows_->selectedItems())
    (sync_.*action)(item->data(0, Qt::UserRole).toInt());
  RefreshStyles();
  EnableButtons();
}

QMenu *TFormTranspCompare::ContextMenu() {
  const int column = rows_->currentColumn();
  if (rows_->selectedItems().isEmpty() || column == kGapColumn)
    return nullptr;
  copyItem_->setEnabled(column == kSourceColumn);
  deleteItem_->setEnabled(column == kCurrentColumn);
  return menu_;
}

bool SyncTransponders(QWidget *owner, const data::TSatTransponders &newList,
                      data::TSatTransponders &current) {
  if (const std::optional<std::string> question = SatIdQuestion(newList, current))
    if (!frame::Confirm(*question))
      return false;
  TFormTranspCompare dialog(owner, newList, current);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  dialog.Model().Apply(current);
  return true;
}

} // namespace qev::web
