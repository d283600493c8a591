#include "data/qt/form_sat_picker.h"

#include "frame/message_boxes.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace qev::data {

TFormSatPicker::TFormSatPicker(QWidget *owner, std::vector<TKnownSat> sats)
    : QDialog(owner), sats_(std::move(sats)), list_(new QListWidget(this)) {
  setObjectName("FormSatPicker");
  setWindowTitle("Satellites");
  list_->setObjectName("SatPickerList");
  for (const TKnownSat &sat : sats_) {
    list_->addItem(QString::fromStdString(PositionText(sat.Position)).rightJustified(6) + "  " +
                   QString::fromStdString(sat.Name));
  }
  if (!sats_.empty())
    list_->setCurrentRow(0);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  list_->setFont(fixed);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(320, 420);
}

std::optional<TKnownSat> TFormSatPicker::Chosen() const {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(sats_.size()))
    return std::nullopt;
  return sats_[static_cast<std::size_t>(row)];
}

std::optional<TKnownSat> PickSatellite(QWidget *owner, const std::filesystem::path &allSats) {
  std::vector<TKnownSat> sats;
  std::string error;
  if (!ReadAllSats(allSats, sats, error)) {
    frame::ShowError(error);
    return std::nullopt;
  }
  TFormSatPicker picker(owner, std::move(sats));
  if (picker.exec() != QDialog::Accepted)
    return std::nullopt;
  return picker.Chosen();
}

} // namespace qev::data
