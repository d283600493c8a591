#include "ui/qt/frame_sat_list.h"

#include "ui/qt/image_list.h"
#include "ui/sat_list_rows.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::ui {

namespace {

constexpr int kSatelliteIcon = 20;
constexpr int kLoadedSatelliteIcon = 21;
enum Column { kColIndex, kColDish, kColPosition, kColName, kColumnCount };

void ShowRow(QTreeWidgetItem &item, const TSatRow &row) {
  item.setFlags(item.flags() | Qt::ItemIsUserCheckable);
  item.setCheckState(kColIndex, row.Active ? Qt::Checked : Qt::Unchecked);
  item.setIcon(kColIndex, ImageListIcon(row.Loaded ? kLoadedSatelliteIcon : kSatelliteIcon));
  item.setText(kColIndex, QString::fromStdString(row.Index));
  item.setText(kColDish, QString::fromStdString(row.Dish));
  item.setText(kColPosition, QString::fromStdString(row.Position));
  item.setText(kColName, QString::fromStdString(row.Name));
  item.setTextAlignment(kColPosition, Qt::AlignRight | Qt::AlignVCenter);
  for (int column = 0; column < kColumnCount; ++column) {
    QFont font = item.font(column);
    font.setBold(row.Loaded);
    item.setFont(column, font);
  }
}

} // namespace

class TFrameSatList::TImpl {
public:
  TImpl(TFrameSatList &frame, TUiContext &context)
      : frame_(frame), context_(context), commands_(context), tree_(new QTreeWidget(&frame)) {
    tree_->setObjectName("SatListView");
    tree_->setRootIsDecorated(false);
    tree_->setUniformRowHeights(true);
    tree_->setColumnCount(kColumnCount);
    tree_->setHeaderLabels({"Idx", "Dish", "Pos", "Name"});
    tree_->header()->setStretchLastSection(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    layout->addLayout(Buttons());
    QObject::connect(tree_, &QTreeWidget::itemChanged, &frame,
                     [this](QTreeWidgetItem *item, int column) { Checked(item, column); });
    QObject::connect(tree_, &QTreeWidget::itemDoubleClicked, &frame,
                     [this](QTreeWidgetItem *item, int column) { DoubleClicked(item, column); });
    context_.Hub.Add(frame::kNotifyListsChanged, &ListsChanged, this);
    context_.Hub.Add(frame::kNotifySwitchProgress, &SwitchProgress, this);
  }

  ~TImpl() {
    context_.Hub.Remove(frame::kNotifyListsChanged, &ListsChanged, this);
    context_.Hub.Remove(frame::kNotifySwitchProgress, &SwitchProgress, this);
  }

  // Rows are updated where they are, so the selection and the scroll position stay.
  void Fill() {
    const QSignalBlocker blocker(tree_);
    const std::vector<TSatRow> rows = SatRows(context_.Sats, context_.LoadedSat.Index());
    const int count = static_cast<int>(rows.size());
    while (tree_->topLevelItemCount() > count)
      delete tree_->takeTopLevelItem(tree_->topLevelItemCount() - 1);
    while (tree_->topLevelItemCount() < count)
      tree_->addTopLevelItem(new QTreeWidgetItem);
    for (int i = 0; i < count; ++i)
      ShowRow(*tree_->topLevelItem(i), rows[static_cast<std::size_t>(i)]);
    for (int column = 0; column < kColName; ++column)
      tree_->resizeColumnToContents(column);
  }

  // A button without its subsystem is hidden.
  void ShowButtons() {
    add_->setVisible(commands_.CanEdit());
    modify_->setVisible(commands_.CanEdit());
    scan_->setVisible(commands_.CanScan());
  }

private:
  QHBoxLayout *Buttons() {
    auto *buttons = new QHBoxLayout;
    add_ = Button(buttons, "AddSatButton", "Add", [this] { commands_.Add(); });
    modify_ =
        Button(buttons, "ModifySatButton", "Modify", [this] { commands_.Modify(SelectedRow()); });
    Button(buttons, "DeleteSatButton", "Delete", [this] { commands_.Delete(SelectedRow()); });
    scan_ = Button(buttons, "ScanSatButton", "Scan", [this] { commands_.Scan(SelectedRow()); });
    buttons->addStretch();
    ShowButtons();
    return buttons;
  }

  template <typename Action>
  QPushButton *Button(QHBoxLayout *buttons, const char *name, const char *caption, Action action) {
    auto *button = new QPushButton(caption, &frame_);
    button->setObjectName(name);
    // The row of four must not set a floor under the channel panel's width.
    button->setMinimumWidth(1);
    buttons->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, &frame_, action);
    return button;
  }

  std::optional<int> SelectedRow() const {
    const QList<QTreeWidgetItem *> items = tree_->selectedItems();
    if (items.isEmpty())
      return std::nullopt;
    return tree_->indexOfTopLevelItem(items.front());
  }

  void Checked(QTreeWidgetItem *item, int column) {
    if (column != kColIndex)
      return;
    commands_.SetActive(tree_->indexOfTopLevelItem(item),
                        item->checkState(kColIndex) == Qt::Checked);
    // Activating one satellite of a mobile dish group may deactivate others.
    FillLater();
  }

  void DoubleClicked(QTreeWidgetItem *item, int column) {
    if (column == kColIndex)
      return;
    commands_.Activate(tree_->indexOfTopLevelItem(item));
    FillLater();
  }

  // Notifications may come from any thread; the rows are rebuilt on the frame's.
  void FillLater() {
    QMetaObject::invokeMethod(
        &frame_, [this] { Fill(); }, Qt::QueuedConnection);
  }

  static void ListsChanged(void *impl, std::intptr_t, std::intptr_t) {
    static_cast<TImpl *>(impl)->FillLater();
  }
  // The end of a switch may have loaded another satellite, whose row becomes the bold one.
  static void SwitchProgress(void *impl, std::intptr_t progress, std::intptr_t) {
    if (progress == device::kSwitchEnded)
      static_cast<TImpl *>(impl)->FillLater();
  }

  TFrameSatList &frame_;
  TUiContext &context_;
  TSatListCommands commands_;
  QTreeWidget *tree_;
  QPushButton *add_ = nullptr;
  QPushButton *modify_ = nullptr;
  QPushButton *scan_ = nullptr;
};

TFrameSatList::TFrameSatList(QWidget *owner, TUiContext &context)
    : QWidget(owner), impl_(std::make_unique<TImpl>(*this, context)) {
  setObjectName("FrameSatList");
  impl_->Fill();
}

TFrameSatList::~TFrameSatList() = default;

void TFrameSatList::Refresh() {
  impl_->ShowButtons();
  impl_->Fill();
}

} // namespace qev::ui
