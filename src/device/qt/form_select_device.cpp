#include "device/qt/form_select_device.h"

#include "frame/app_paths.h"
#include "frame/message_boxes.h"
#include "frame/options.h"
#include "frame/string_utils.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

namespace qev::device {

namespace {

template <std::size_t N>
QString Text(const char (&field)[N]) {
  return QString::fromStdString(FieldText(field));
}

QString DecoderText(std::uint8_t decoders) {
  QStringList kinds;
  if (decoders & 2)
    kinds << "Hardware";
  if (decoders & 1)
    kinds << "Software";
  return kinds.join("/");
}

} // namespace

TFormSelectDevice::TFormSelectDevice(std::vector<DeviceModuleRow> rows,
                                     const std::string& lastSelected, bool realClock)
    : rows_(std::move(rows)), list_(new QTreeWidget), details_(new QTreeWidget),
      select_(new QPushButton) {
  setWindowTitle(tr("Select device"));
  list_->setHeaderLabels({"Library", "Version", "HWI", "Description"});
  list_->setRootIsDecorated(false);
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  for (const DeviceModuleRow& row : rows_)
    new QTreeWidgetItem(list_, {QString::fromStdString(row.fileName),
                                QString::fromStdString(row.version),
                                QString::fromStdString(HwiText(row.description)),
                                Text(row.description.Name)});
  details_->setHeaderHidden(true);
  details_->setColumnCount(2);
  details_->setRootIsDecorated(false);
  details_->hide();

  auto* detailsButton = new QPushButton(tr("Details"));
  auto* defaultButton = new QPushButton(tr("Default"));
  auto* cancel = new QPushButton(tr("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(detailsButton);
  buttons->addStretch();
  buttons->addWidget(defaultButton);
  buttons->addWidget(select_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 2);
  layout->addWidget(details_, 1);
  layout->addLayout(buttons);
  resize(560, 320);

  connect(select_, &QPushButton::clicked, this, &TFormSelectDevice::ChooseFocusedRow);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(defaultButton, &QPushButton::clicked, this, &TFormSelectDevice::MakeDefault);
  connect(detailsButton, &QPushButton::clicked, this,
          [this] { details_->setVisible(!details_->isVisible()); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &TFormSelectDevice::ChooseFocusedRow);
  connect(list_, &QTreeWidget::currentItemChanged, this, &TFormSelectDevice::ShowDetails);
  list_->viewport()->installEventFilter(this);
  list_->installEventFilter(this);

  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (frame::EqualsNoCase(rows_[i].fileName, lastSelected)) {
      list_->setCurrentItem(list_->topLevelItem(i));
      countdown_.Start();
    }
  if (realClock) {
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &TFormSelectDevice::Tick);
    clock->start(1000);
  }
  UpdateSelectButton();
}

void TFormSelectDevice::Tick() {
  const bool due = countdown_.Tick();
  UpdateSelectButton();
  if (due)
    ChooseFocusedRow();
}

void TFormSelectDevice::UpdateSelectButton() {
  select_->setText(QString::fromStdString(countdown_.ButtonText()));
  select_->setStyleSheet(countdown_.Running() ? "color: blue" : "");
}

void TFormSelectDevice::StopCountdown() {
  countdown_.Stop();
  UpdateSelectButton();
}

bool TFormSelectDevice::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)
    StopCountdown();
  if (watched == list_ && type == QEvent::KeyPress) {
    // The list would take Space for its own selection; here it confirms, as on the window.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      ChooseFocusedRow();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormSelectDevice::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Space:
    ChooseFocusedRow(); // with no row this confirms running without a device
    return;
  case Qt::Key_Escape:
    reject();
    return;
  default:
    QDialog::keyPressEvent(event);
  }
}

void TFormSelectDevice::ChooseFocusedRow() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  Confirm(row >= 0 ? rows_[row].fileName : std::string());
}

void TFormSelectDevice::Confirm(const std::string& name) {
  countdown_.Stop();
  chosen_ = name;
  accept();
}

void TFormSelectDevice::MakeDefault() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  const std::string name = row >= 0 ? rows_[row].fileName : std::string();
  StoreActiveDevice(name);
  Confirm(name);
}

void TFormSelectDevice::ShowDetails() {
  details_->clear();
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0)
    return;
  const DeviceDescription& d = rows_[row].description;
  const std::pair<const char*, QString> lines[] = {
      {"Name", Text(d.Name)},
      {"Author", Text(d.Author)},
      {"Video Streams", QString::number(d.VideoStreams)},
      {"Video Decoder", DecoderText(d.VideoDecoders)},
      {"Min Filters", QString::number(d.MinFilters)},
      {"188 Packets", d.Packets188 ? "Yes" : "No"}};
  for (const auto& [label, value] : lines)
    new QTreeWidgetItem(details_, {label, value});
}

std::optional<std::string> TQtDeviceChooser::SelectDevice() {
  auto rows = ListDeviceModules(frame::Paths().Devices);
  for (const auto& row : rows)
    if (row.descriptionFailed)
      frame::ShowError("Cannot check module description in: " + row.fileName);
  TFormSelectDevice window(std::move(rows), frame::Options().StartUp.LastSelected);
  if (window.exec() != QDialog::Accepted)
    return std::nullopt;
  frame::Options().StartUp.LastSelected = window.Chosen();
  return window.Chosen();
}

} // namespace qev::device
