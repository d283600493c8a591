#include "ui/qt/form_gesture_editor.h"

#include "frame/message_boxes.h"
#include "ui/qt/form_gesture_input.h"
#include "ui/qt/image_list.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::ui {

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kGroupIcon = 52;

} // namespace

TFormGestureEditor::TFormGestureEditor(QWidget *owner, TGestureTable &table, TAsk ask)
    : QDialog(owner), table_(table), ask_(ask ? std::move(ask) : TAsk(&AskGesture)),
      tree_(new QTreeWidget(this)) {
  setObjectName("FormGestureEditor");
  setWindowTitle("Mouse Gestures");
  auto *layout = new QVBoxLayout(this);
  tree_->setObjectName("gestureTree");
  tree_->setColumnCount(2);
  tree_->setHeaderLabels({"Action", "Gesture"});
  tree_->setRootIsDecorated(true);
  layout->addWidget(tree_, 1);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
  layout->addWidget(buttons);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem *item) { EditAction(item); });
  Fill();
  resize(460, 380);
}

// Groups come in the order of their first action in the table.
QTreeWidgetItem *TFormGestureEditor::GroupItem(const QString &name) {
  for (int g = 0; g < tree_->topLevelItemCount(); ++g)
    if (tree_->topLevelItem(g)->text(0) == name)
      return tree_->topLevelItem(g);
  auto *group = new QTreeWidgetItem(tree_, {name});
  QFont font = group->font(0);
  font.setBold(true);
  group->setFont(0, font);
  group->setIcon(0, ImageListIcon(kGroupIcon));
  return group;
}

void TFormGestureEditor::Fill() {
  for (std::size_t i = 0; i < TGestureTable::kSize; ++i) {
    const TGestureEntry &entry = table_.Entry(i);
    if (entry.Code == 0)
      continue;
    QTreeWidgetItem *group = GroupItem(QString::fromStdString(GestureGroupName(entry.Code)));
    auto *item = new QTreeWidgetItem(group, {QString::fromStdString(entry.Name),
                                             QString::fromStdString(GestureText(entry.Gesture))});
    item->setData(0, kIndexRole, static_cast<int>(i));
  }
  tree_->expandAll();
  tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

QTreeWidgetItem *TFormGestureEditor::ActionItem(std::size_t index) const {
  for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
    QTreeWidgetItem *group = tree_->topLevelItem(g);
    for (int a = 0; a < group->childCount(); ++a)
      if (group->child(a)->data(0, kIndexRole).toInt() == static_cast<int>(index))
        return group->child(a);
  }
  return nullptr;
}

void TFormGestureEditor::EditAction(QTreeWidgetItem *item) {
  if (!item || !item->parent())
    return;
  const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toInt());
  const TGestureEntry &entry = table_.Entry(index);
  const auto gesture = ask_(this, QString::fromStdString(entry.Name), entry.Gesture);
  if (!gesture)
    return;
  table_.SetGesture(index, *gesture);
  item->setText(1, QString::fromStdString(GestureText(table_.Entry(index).Gesture)));
}

void EditGestures(QWidget *owner, TGestureTable &table, const std::filesystem::path &file) {
  TFormGestureEditor editor(owner, table);
  editor.exec();
  if (const std::string error = GesturesSave(table, file); !error.empty())
    frame::ShowError(error);
}

} // namespace qev::ui
