#include "ui/qt/form_hot_keys.h"

#include "frame/message_boxes.h"
#include "ui/hotkeys.h"
#include "ui/qt/main_key_names.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <map>

namespace qev::ui {

namespace {

constexpr int kRowRole = Qt::UserRole + 1;
constexpr TKeyField kColumnFields[] = {TKeyField::HotKey1, TKeyField::HotKey2, TKeyField::Remote1,
                                       TKeyField::Remote2};

const char *FieldCaption(TKeyField field) {
  switch (field) {
  case TKeyField::HotKey1:
    return "HotKey 1";
  case TKeyField::HotKey2:
    return "HotKey 2";
  case TKeyField::Remote1:
    return "Remote 1";
  case TKeyField::Remote2:
    break;
  }
  return "Remote 2";
}

QString Text(const std::string &text) { return QString::fromStdString(text); }

} // namespace

TFormKeyCapture::TFormKeyCapture(const std::string &actionName, TKeyField field,
                                 const std::string &value, QWidget *parent)
    : QDialog(parent), remote_(IsRemoteField(field)) {
  setObjectName("FormKeyCapture");
  setWindowTitle(Text(actionName));
  auto *layout = new QVBoxLayout(this);
  auto *caption = new QLabel(FieldCaption(field));
  caption->setObjectName("fieldCaption");
  layout->addWidget(caption);
  auto *hint = new QLabel(remote_ ? kHintRemote : kHintKeys);
  hint->setObjectName("hint");
  layout->addWidget(hint);
  auto *row = new QHBoxLayout;
  value_ = new QLineEdit(Text(value));
  value_->setObjectName("value");
  value_->setReadOnly(true);
  value_->setFocusPolicy(Qt::NoFocus);
  row->addWidget(value_);
  auto *clear = new QPushButton(tr("Clear"));
  clear->setObjectName("clearButton");
  clear->setFocusPolicy(Qt::NoFocus);
  connect(clear, &QPushButton::clicked, value_, &QLineEdit::clear);
  row->addWidget(clear);
  layout->addLayout(row);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  if (!remote_) {
    // Every key of the program is named here, before any window or shortcut sees it.
    for (QPushButton *button : findChildren<QPushButton *>())
      button->setFocusPolicy(Qt::NoFocus);
    qApp->installEventFilter(this);
  }
}

TFormKeyCapture::~TFormKeyCapture() { qApp->removeEventFilter(this); }

std::string TFormKeyCapture::Value() const { return value_->text().toStdString(); }

void TFormKeyCapture::RemoteButton(const std::string &button, int repeat) {
  if (remote_ && repeat < 1)
    value_->setText(Text(button));
}

bool TFormKeyCapture::eventFilter(QObject *watched, QEvent *event) {
  if (!isVisible() || !qobject_cast<QWidget *>(watched))
    return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept(); // the key reaches the capture as a press, not as someone's shortcut
    return true;
  }
  if (event->type() != QEvent::KeyPress)
    return QDialog::eventFilter(watched, event);
  value_->setText(Text(KeyNameOf(static_cast<QKeyEvent &>(*event))));
  return true;
}

TFormHotKeys::TFormHotKeys(THotKeys &hotKeys, QWidget *parent)
    : QDialog(parent), hotKeys_(hotKeys) {
  setObjectName("FormHotKeys");
  setWindowTitle(tr("Hotkeys"));
  auto *layout = new QVBoxLayout(this);
  tree_ = new QTreeWidget;
  tree_->setObjectName("actions");
  tree_->setHeaderLabels({tr("Action"), "HotKey 1", "HotKey 2", "Remote 1", "Remote 2"});
  tree_->setRootIsDecorated(true);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem *item, int column) { EditField(item, column); });
  layout->addWidget(tree_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Fill();
  tree_->header()->resizeSections(QHeaderView::ResizeToContents);
  resize(640, 520);
  previousRemote_ = hotKeys_.SetRemoteHandler([this](const std::string &button, int repeat) {
    if (capture_)
      capture_->RemoteButton(button, repeat);
  });
}

TFormHotKeys::~TFormHotKeys() { hotKeys_.SetRemoteHandler(std::move(previousRemote_)); }

// Groups in ascending order of their code's hexadecimal text, the actions in table order.
void TFormHotKeys::Fill() {
  tree_->clear();
  std::map<std::string, QTreeWidgetItem *> groups;
  const auto &rows = hotKeys_.Table().Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string_view group = HotKeyGroupName(rows[i].ActionCode);
    if (rows[i].ActionCode == 0 || group.empty())
      continue;
    char key[8];
    std::snprintf(key, sizeof key, "%X", rows[i].ActionCode & 0xF000);
    QTreeWidgetItem *&groupItem = groups[key];
    if (!groupItem) {
      groupItem = new QTreeWidgetItem({QString::fromUtf8(group.data(), group.size())});
      QFont bold = groupItem->font(0);
      bold.setBold(true);
      groupItem->setFont(0, bold);
    }
    auto *item = new QTreeWidgetItem(groupItem);
    item->setData(0, kRowRole, static_cast<int>(i));
    ShowRow(*item, rows[i]);
  }
  for (const auto &[key, item] : groups)
    tree_->addTopLevelItem(item);
  tree_->expandAll();
}

void TFormHotKeys::ShowRow(QTreeWidgetItem &item, const THotKeyAction &action) {
  item.setText(0, Text(action.ActionName));
  for (int column = 1; column <= 4; ++column)
    item.setText(column, Text(FieldOf(action, kColumnFields[column - 1])));
}

void TFormHotKeys::EditField(QTreeWidgetItem *item, int column) {
  if (!item || column < 1 || column > 4 || !item->data(0, kRowRole).isValid())
    return;
  const auto row = static_cast<std::size_t>(item->data(0, kRowRole).toInt());
  const TKeyField field = kColumnFields[column - 1];
  THotKeyAction &action = hotKeys_.Table().Row(row);
  TFormKeyCapture capture(action.ActionName, field, FieldOf(action, field), this);
  capture_ = &capture;
  const bool confirmed = capture.exec() == QDialog::Accepted;
  capture_ = nullptr;
  if (!confirmed || !AssignEdited(hotKeys_.Table(), row, field, capture.Value()))
    return;
  Fill(); // another action may have lost the key
}

void OpenHotKeysEditor(THotKeys &hotKeys, QWidget *parent) {
  TFormHotKeys editor(hotKeys, parent);
  editor.exec();
  if (const std::string error = hotKeys.Save(); !error.empty())
    frame::ShowError(error);
}

} // namespace qev::ui
