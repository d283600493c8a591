#include "recording/qt/record_edit_stop_form.h"

#include "recording/records_list_texts.h"

#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qev::recording {

namespace {

using Clock = std::chrono::system_clock;

QDateTime LocalTime(Clock::time_point point) {
  return QDateTime::fromSecsSinceEpoch(
      std::chrono::duration_cast<std::chrono::seconds>(point.time_since_epoch()).count());
}

QPushButton *AddButton(QDialog &dialog, QHBoxLayout &row, const char *name, const QString &text,
                       int result) {
  auto *button = new QPushButton(text);
  button->setObjectName(name);
  QObject::connect(button, &QPushButton::clicked, &dialog,
                   [&dialog, result] { dialog.done(result); });
  row.addWidget(button);
  return button;
}

} // namespace

TRecordEditStopForm::TRecordEditStopForm(QWidget *parent, const TRecordSlotView &slot)
    : QDialog(parent), start_(slot.StartTime) {
  setObjectName("RecordEditStopForm");
  setWindowTitle(QString::fromStdString(slot.Title));
  const QDateTime stop =
      LocalTime(slot.StartTime + std::chrono::seconds(slot.Limits.StopAfterSeconds));
  auto *column = new QVBoxLayout(this);
  auto *form = new QFormLayout;
  date_ = new QDateEdit(stop.date());
  date_->setObjectName("EditStopDate");
  date_->setCalendarPopup(true);
  date_->setDisplayFormat("yyyy-MM-dd");
  form->addRow(tr("Stop date"), date_);
  time_ = new QTimeEdit(stop.time());
  time_->setObjectName("EditStopTime");
  time_->setDisplayFormat("HH:mm:ss");
  form->addRow(tr("Stop time"), time_);
  column->addLayout(form);
  auto *buttons = new QHBoxLayout;
  AddButton(*this, *buttons, "BtnSetStopTime", tr("Set stop time"), kSetResult)->setDefault(true);
  AddButton(*this, *buttons, "BtnClrStopTime", tr("No stop time"), kClearResult);
  AddButton(*this, *buttons, "BtnCancel", tr("Cancel"), QDialog::Rejected);
  column->addLayout(buttons);
}

std::optional<std::uint32_t> TRecordEditStopForm::NewLimit(int result,
                                                           Clock::time_point now) const {
  if (result == kClearResult)
    return 0;
  if (result != kSetResult)
    return std::nullopt;
  const QDateTime chosen(date_->date(), time_->time());
  const Clock::time_point stop{std::chrono::seconds(chosen.toSecsSinceEpoch())};
  return StopAfterSecondsFor(start_, stop, now);
}

} // namespace qev::recording
