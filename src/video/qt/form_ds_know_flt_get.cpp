#include "video/qt/form_ds_know_flt_get.h"

#include "frame/message_boxes.h"
#include "frame/titled_boxes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qev::video {

namespace {

constexpr const char *kCannotEnumPins = "Cannot enum pins...";

QLineEdit *ReadOnlyField(const char *name) {
  auto *field = new QLineEdit;
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}

QComboBox *PinBox(const char *name) {
  auto *box = new QComboBox;
  box->setObjectName(name);
  return box;
}

void FillPins(QComboBox &box, const std::vector<std::string> &pins, bool listed) {
  box.clear();
  box.setPlaceholderText(listed ? QString() : kCannotEnumPins);
  for (const std::string &pin : pins)
    box.addItem(QString::fromStdString(pin));
  box.setCurrentIndex(pins.empty() ? -1 : 0);
}

} // namespace

TFormDsKnowFltGet::TFormDsKnowFltGet(int kind, IFilterRegistry &registry, QWidget *parent)
    : QDialog(parent), kind_(kind), registry_(registry), list_(new QListWidget),
      guid_(ReadOnlyField("EditFGuid")), name_(ReadOnlyField("EditFName")),
      path_(ReadOnlyField("EditFPath")), info_(new QLineEdit), inputPins_(PinBox("CbPinInp")),
      outputPins_(PinBox("CbPinOut")), properties_(new QPushButton("Properties...")),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)) {
  setObjectName("TFormDsKnowFltGet");
  setWindowTitle(QString("Add filter to: ") + FilterGroupName(kind));
  list_->setObjectName("ListFilters");
  info_->setObjectName("EditFInfo");
  properties_->setObjectName("BtnShowPropPage");
  properties_->setEnabled(false);
  for (const TSystemFilter &filter : registry_.ListFilters(kind)) {
    auto *item = new QListWidgetItem(QString::fromStdString(filter.Name), list_);
    item->setData(Qt::UserRole, QString::fromStdString(filter.ClassId));
    item->setToolTip(QString::fromStdString(filter.ClassId));
  }

  auto *fields = new QFormLayout;
  fields->addRow("Class id", guid_);
  fields->addRow("Name", name_);
  fields->addRow("Library", path_);
  fields->addRow("Info", info_);
  fields->addRow("Input pin", inputPins_);
  fields->addRow("Output pin", outputPins_);
  outputPins_->setEnabled(KindHasOutput(kind));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(fields);
  layout->addWidget(properties_);
  layout->addWidget(buttons_);

  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem *item) { ChooseRow(list_->row(item)); });
  list_->installEventFilter(this);
  connect(inputPins_, &QComboBox::currentIndexChanged, this, &TFormDsKnowFltGet::UpdateOk);
  connect(outputPins_, &QComboBox::currentIndexChanged, this, &TFormDsKnowFltGet::UpdateOk);
  connect(properties_, &QPushButton::clicked, this, &TFormDsKnowFltGet::ShowProperties);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  UpdateOk();
  resize(520, 560);
}

QPushButton *TFormDsKnowFltGet::OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }

void TFormDsKnowFltGet::ChooseRow(int row) {
  const QListWidgetItem *item = list_->item(row);
  if (!item)
    return;
  list_->setCurrentRow(row);
  const std::string classId = item->data(Qt::UserRole).toString().toStdString();
  const TFilterRegistration registration = registry_.CheckFilterRegistration(classId);
  guid_->setText(QString::fromStdString(classId));
  name_->setText(item->text());
  path_->setText(QString::fromStdString(registration.LibraryPath));
  path_->setStyleSheet(registration.Status == kFilterUsable ? QString() : "color: red");
  const TFilterPins pins = registry_.ListPins(classId);
  FillPins(*inputPins_, pins.Inputs, pins.Listed);
  FillPins(*outputPins_, KindHasOutput(kind_) ? pins.Outputs : std::vector<std::string>{},
           pins.Listed || !KindHasOutput(kind_));
  properties_->setEnabled(!registry_.DescribeProperties(classId).empty());
  UpdateOk();
}

// Enter in the list chooses the filter; it must not reach the dialog, which would take it for OK
// before the pins are chosen.
bool TFormDsKnowFltGet::eventFilter(QObject *watched, QEvent *event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ChooseRow(list_->currentRow());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormDsKnowFltGet::UpdateOk() {
  const bool pinsChosen = !inputPins_->currentText().isEmpty() &&
                          (!KindHasOutput(kind_) || !outputPins_->currentText().isEmpty());
  OkButton()->setEnabled(!guid_->text().isEmpty() && pinsChosen);
}

void TFormDsKnowFltGet::ShowProperties() {
  std::string text;
  for (const std::string &line : registry_.DescribeProperties(guid_->text().toStdString()))
    text += line + "\n";
  frame::ShowInformationBox(name_->text().toStdString(), text);
}

TKnownFilter TFormDsKnowFltGet::Result() const {
  TKnownFilter filter;
  filter.Kind = kind_;
  filter.ClassId = guid_->text().toStdString();
  filter.Name = name_->text().toStdString();
  filter.Info = info_->text().trimmed().toStdString();
  filter.InputPin = inputPins_->currentText().toStdString();
  if (KindHasOutput(kind_))
    filter.OutputPin = outputPins_->currentText().toStdString();
  return filter;
}

} // namespace qev::video
