#include "video/qt/form_ds_know_filters.h"

#include "frame/message_boxes.h"
#include "video/qt/form_ds_know_flt_get.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::video {

namespace {
constexpr const char *kNothingSelected = "Nothing selected...";
constexpr int kIndexRole = Qt::UserRole;
} // namespace

TFormDsKnowFilters::TFormDsKnowFilters(TKnownFilterList &list, IFilterRegistry &registry,
                                       std::filesystem::path file, QWidget *parent)
    : QDialog(parent), list_(list), registry_(registry), file_(std::move(file)),
      kinds_(new QComboBox), rows_(new QTreeWidget) {
  setObjectName("TFormDsKnowFilters");
  setWindowTitle("DirectShow: Know filters");
  picker_ = [this](int kind) -> std::optional<TKnownFilter> {
    TFormDsKnowFltGet picker(kind, registry_, this);
    if (picker.exec() != QDialog::Accepted)
      return std::nullopt;
    return picker.Result();
  };
  kinds_->setObjectName("CbKind");
  for (int kind = 1; kind <= kGroupKindCount; ++kind)
    kinds_->addItem(FilterGroupName(kind), kind);
  rows_->setObjectName("ListFilters");
  rows_->setRootIsDecorated(false);
  rows_->setHeaderLabels({"Name", "Class id", "Input pin", "Output pin"});
  rows_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

  auto *add = new QPushButton("Add...");
  add->setObjectName("BtnAdd");
  auto *del = new QPushButton("Delete");
  del->setObjectName("BtnDel");
  auto *close = new QDialogButtonBox(QDialogButtonBox::Close);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(del);
  buttons->addStretch();
  buttons->addWidget(close);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(kinds_);
  layout->addWidget(rows_, 1);
  layout->addLayout(buttons);

  connect(kinds_, &QComboBox::currentIndexChanged, this, &TFormDsKnowFilters::Refresh);
  connect(add, &QPushButton::clicked, this, &TFormDsKnowFilters::Add);
  connect(del, &QPushButton::clicked, this, &TFormDsKnowFilters::DeleteFocused);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Refresh();
  resize(720, 420);
}

int TFormDsKnowFilters::Kind() const { return kinds_->currentData().toInt(); }

void TFormDsKnowFilters::SelectKind(int kind) { kinds_->setCurrentIndex(kind - 1); }

void TFormDsKnowFilters::Refresh() {
  rows_->clear();
  const auto &records = list_.Records();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TKnownFilter &r = records[i];
    if (r.Kind != Kind())
      continue;
    auto *row = new QTreeWidgetItem(
        rows_, {QString::fromStdString(r.Caption()), QString::fromStdString(r.ClassId),
                QString::fromStdString(r.InputPin), QString::fromStdString(r.OutputPin)});
    row->setData(0, kIndexRole, static_cast<qulonglong>(i));
    if (r.Status != kFilterUsable)
      for (int column = 0; column < row->columnCount(); ++column)
        row->setForeground(column, Qt::red);
  }
}

void TFormDsKnowFilters::Add() {
  std::optional<TKnownFilter> picked = picker_(Kind());
  if (!picked)
    return;
  picked->Kind = Kind();
  picked->BuiltIn = false;
  list_.Add(std::move(*picked), &registry_);
  changed_ = true;
  Refresh();
}

void TFormDsKnowFilters::DeleteFocused() {
  const QTreeWidgetItem *row = rows_->currentItem();
  if (!row) {
    frame::ShowWarning(kNothingSelected);
    return;
  }
  list_.Delete(row->data(0, kIndexRole).toULongLong());
  changed_ = true;
  Refresh();
}

void TFormDsKnowFilters::done(int result) {
  if (changed_) {
    if (const std::string error = list_.Save(file_); !error.empty())
      frame::ShowError(error);
    changed_ = false;
  }
  QDialog::done(result);
}

} // namespace qev::video
