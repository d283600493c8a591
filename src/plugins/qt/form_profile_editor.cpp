#include "plugins/qt/form_profile_editor.h"

#include "frame/message_boxes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::plugins {
namespace {

const char *StateText(int state) {
  switch (state) {
  case kStateEnabled:
    return "Enabled";
  case kStateDisabled:
    return "Disabled";
  default:
    return "No change";
  }
}

Qt::CheckState CheckOf(int state) {
  return state == kStateEnabled    ? Qt::Checked
         : state == kStateDisabled ? Qt::Unchecked
                                   : Qt::PartiallyChecked;
}

int StateOf(Qt::CheckState check) {
  return check == Qt::Checked     ? kStateEnabled
         : check == Qt::Unchecked ? kStateDisabled
                                  : kStateNoChange;
}

QComboBox *LibraryChooser(const std::vector<std::string> &known, const std::string &current,
                          const QString &name, QWidget *parent) {
  auto *box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItem(QString());
  for (const std::string &library : known)
    box->addItem(QString::fromStdString(library));
  const QString wanted = QString::fromStdString(current);
  int at = box->findText(wanted, Qt::MatchFixedString);
  if (at < 0 && !wanted.isEmpty()) {
    box->addItem(wanted); // a library no longer known keeps its place in the profile
    at = box->count() - 1;
  }
  box->setCurrentIndex(std::max(at, 0));
  return box;
}

} // namespace

TFormProfileEditor::TFormProfileEditor(TProfileEditorModel model, QWidget *parent)
    : QDialog(parent), model_(std::move(model)), description_(new QLineEdit(this)),
      slot_(new QComboBox(this)), states_(new QTreeWidget(this)) {
  setObjectName("FormProfileEditor");
  setWindowTitle("Plugins profile");
  auto *number = new QLabel(QString::fromStdString(model_.NumberText()), this);
  number->setObjectName("ProfileNumber");
  description_->setObjectName("ProfileDescription");
  description_->setText(QString::fromStdString(model_.Profile().Description));
  slot_->setObjectName("ProfileSlot");
  for (int slot = 0; slot < kPluginSlots; ++slot)
    slot_->addItem(QString("AV%1").arg(slot));
  states_->setObjectName("ProfileStates");
  states_->setHeaderLabels({"Plugin", "State"});
  states_->setRootIsDecorated(false);
  states_->header()->setSectionResizeMode(0, QHeaderView::Stretch);

  auto *top = new QFormLayout;
  top->addRow("Profile:", number);
  top->addRow("Description:", description_);
  top->addRow("AV slot:", slot_);

  auto *keys = new QGroupBox("Key clicks", this);
  auto *grid = new QGridLayout(keys);
  grid->addWidget(new QLabel("Left", keys), 0, 1);
  grid->addWidget(new QLabel("Right", keys), 0, 2);
  for (int slot = 0; slot < kPluginSlots; ++slot) {
    grid->addWidget(new QLabel(QString("AV%1").arg(slot), keys), slot + 1, 0);
    keyLeft_[slot] = LibraryChooser(model_.Known(), model_.Profile().KeyLClick[slot],
                                    QString("KeyLClick%1").arg(slot), keys);
    keyRight_[slot] = LibraryChooser(model_.Known(), model_.Profile().KeyRClick[slot],
                                     QString("KeyRClick%1").arg(slot), keys);
    grid->addWidget(keyLeft_[slot], slot + 1, 1);
    grid->addWidget(keyRight_[slot], slot + 1, 2);
  }

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(slot_, &QComboBox::currentIndexChanged, this, [this](int slot) { ShowSlot(slot); });
  connect(states_, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem *item) { StateChanged(item); });

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(states_, 1);
  layout->addWidget(keys);
  layout->addWidget(buttons);
  resize(420, 480);
  FillStates();
}

void TFormProfileEditor::ShowSlot(int slot) {
  if (slot_->currentIndex() != slot)
    slot_->setCurrentIndex(slot); // comes back here through the signal
  else
    FillStates();
}

void TFormProfileEditor::FillStates() {
  filling_ = true;
  states_->clear();
  const int slot = slot_->currentIndex();
  for (const std::string &library : model_.Known()) {
    auto *item = new QTreeWidgetItem(states_);
    const int state = model_.State(library, slot);
    item->setText(0, QString::fromStdString(library));
    item->setText(1, StateText(state));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsUserTristate);
    item->setCheckState(0, CheckOf(state));
  }
  filling_ = false;
}

void TFormProfileEditor::StateChanged(QTreeWidgetItem *item) {
  if (filling_)
    return;
  const int state = StateOf(item->checkState(0));
  model_.SetState(item->text(0).toStdString(), slot_->currentIndex(), state);
  filling_ = true;
  item->setText(1, StateText(state));
  filling_ = false;
}

void TFormProfileEditor::TakeKeyClicks() {
  TPluginProfile &profile = model_.Profile();
  profile.Description = description_->text().toStdString();
  for (int slot = 0; slot < kPluginSlots; ++slot) {
    profile.KeyLClick[slot] = keyLeft_[slot]->currentText().toStdString();
    profile.KeyRClick[slot] = keyRight_[slot]->currentText().toStdString();
  }
}

void TFormProfileEditor::accept() {
  TakeKeyClicks();
  if (const std::string problem = model_.Check(); !problem.empty()) {
    frame::ShowWarning(problem);
    description_->setFocus();
    return;
  }
  if (const std::string error = model_.Save(); !error.empty()) {
    frame::ShowError(error);
    return;
  }
  QDialog::accept();
}

std::optional<int> EditPluginProfile(QWidget *parent, TPluginProfiles &profiles,
                                     std::optional<int> number,
                                     const std::vector<std::string> &known) {
  auto model = number ? TProfileEditorModel::ForEdit(profiles, *number, known)
                      : TProfileEditorModel::ForNew(profiles, known);
  if (!model)
    return std::nullopt;
  TFormProfileEditor editor(std::move(*model), parent);
  if (editor.exec() != QDialog::Accepted)
    return std::nullopt;
  return editor.Model().Number();
}

bool SelectPluginProfile(QWidget *parent, const TPluginProfiles &profiles, int &profile) {
  QDialog dialog(parent);
  dialog.setObjectName("SelectProfile");
  dialog.setWindowTitle(kSelectProfileTitle);
  auto *list = new QListWidget(&dialog);
  for (const auto &[number, name] : profiles.ChannelChoices()) {
    const QString text = number == 0
                             ? QString::fromStdString(name)
                             : QString("%1 [%2]").arg(QString::fromStdString(name)).arg(number);
    auto *item = new QListWidgetItem(text, list);
    item->setData(Qt::UserRole, number);
    if (number == profile)
      list->setCurrentItem(item);
  }
  if (!list->currentItem())
    list->setCurrentRow(0);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  auto *layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted || !list->currentItem())
    return false;
  profile = list->currentItem()->data(Qt::UserRole).toInt();
  return true;
}

} // namespace qev::plugins
