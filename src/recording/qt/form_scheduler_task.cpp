#include "recording/qt/form_scheduler_task.h"

#include "frame/message_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace qev::recording {

namespace {

constexpr int kClockMs = 500;
// Day boxes Monday first, with their bits.
constexpr const char *kDayBoxes[7] = {"CkMo", "CkTu", "CkWe", "CkTh", "CkFr", "CkSa", "CkSu"};
constexpr int kDayBits[7] = {kMonday, kTuesday, kWednesday, kThursday, kFriday, kSaturday, kSunday};

QLineEdit *NumberEdit(const char *name, const QString &pattern) {
  auto *edit = new QLineEdit;
  edit->setObjectName(name);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
  return edit;
}

QComboBox *Combo(const char *name, const QStringList &items) {
  auto *combo = new QComboBox;
  combo->setObjectName(name);
  combo->addItems(items);
  return combo;
}

void ShowValidity(QLineEdit *display, const std::string &text, bool valid) {
  display->setText(QString::fromStdString(text));
  display->setStyleSheet(valid ? "color: blue" : "color: red");
}

} // namespace

TFormSchedulerTask::TFormSchedulerTask(QWidget *owner, const data::TSatList &sats,
                                       const data::TChannelLists &lists)
    : QDialog(owner), sats_(sats), lists_(lists) {
  setObjectName("FormSchedulerTask");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  BuildFields();
  connect(&clock_, &QTimer::timeout, this, &TFormSchedulerTask::RefreshCaption);
  clock_.start(kClockMs);
}

void TFormSchedulerTask::BuildFields() {
  auto *form = new QFormLayout;
  trigger_ = Combo("ComboTrigger", {tr("Once"), tr("Weekly"), tr("Other")});
  form->addRow(tr("Trigger"), trigger_);
  auto *dayRow = new QHBoxLayout;
  const QStringList dayNames = {tr("Mo"), tr("Tu"), tr("We"), tr("Th"),
                                tr("Fr"), tr("Sa"), tr("Su")};
  for (int i = 0; i < 7; ++i) {
    days_[i] = new QCheckBox(dayNames[i]);
    days_[i]->setObjectName(kDayBoxes[i]);
    dayRow->addWidget(days_[i]);
  }
  form->addRow(QString(), dayRow);
  date_ = new QDateEdit;
  date_->setObjectName("EditDateStart");
  date_->setDisplayFormat("yyyy-MM-dd");
  date_->setCalendarPopup(true);
  time_ = new QTimeEdit;
  time_->setObjectName("EditTimeStart");
  time_->setDisplayFormat("HH:mm");
  auto *startRow = new QHBoxLayout;
  startRow->addWidget(date_);
  startRow->addWidget(time_);
  form->addRow(tr("Start"), startRow);
  duration_ = new QSpinBox;
  duration_->setObjectName("EditDuration");
  duration_->setRange(0, kSchMaxDuration);
  duration_->setSuffix(tr(" min"));
  atEnd_ = Combo("ComboAtEnd",
                 {tr("Nothing"), tr("Exit"), tr("Suspend"), tr("Hibernate"), tr("Shut down")});
  auto *durationRow = new QHBoxLayout;
  durationRow->addWidget(duration_);
  durationRow->addWidget(atEnd_);
  form->addRow(tr("Duration"), durationRow);
  action_ = Combo("ComboAction", {tr("View"), tr("Record")});
  noVideo_ = new QCheckBox(tr("No video"));
  noVideo_->setObjectName("CkOptNV");
  auto *actionRow = new QHBoxLayout;
  actionRow->addWidget(action_);
  actionRow->addWidget(noVideo_);
  form->addRow(tr("Action"), actionRow);
  wake_ = new QCheckBox(tr("Wake the computer"));
  wake_->setObjectName("CkWakeup");
  form->addRow(QString(), wake_);
  satId_ = NumberEdit("EditSatID", "[0-9]{0,3}");
  satName_ = new QLineEdit;
  satName_->setObjectName("EditSatName");
  satName_->setReadOnly(true);
  auto *satRow = new QHBoxLayout;
  satRow->addWidget(satId_, 1);
  satRow->addWidget(satName_, 3);
  form->addRow(tr("Satellite"), satRow);
  tid_ = NumberEdit("EditChTID", "[0-9A-Fa-f]{0,4}");
  sid_ = NumberEdit("EditChSID", "[0-9A-Fa-f]{0,4}");
  chanName_ = new QLineEdit;
  chanName_->setObjectName("EditChanName");
  chanName_->setReadOnly(true);
  auto *chanRow = new QHBoxLayout;
  chanRow->addWidget(tid_, 1);
  chanRow->addWidget(sid_, 1);
  chanRow->addWidget(chanName_, 2);
  form->addRow(tr("TID / SID (hex)"), chanRow);
  windowState_ =
      Combo("ComboFState", {tr("Unchanged"), tr("Normal"), tr("Minimised"), tr("Full screen")});
  form->addRow(tr("Window"), windowState_);
  comment_ = new QLineEdit;
  comment_->setObjectName("EditComment");
  form->addRow(tr("Comment"), comment_);

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  for (QLineEdit *edit : {satId_, tid_, sid_})
    connect(edit, &QLineEdit::textChanged, this, &TFormSchedulerTask::RefreshChannel);
  connect(trigger_, &QComboBox::currentIndexChanged, this, &TFormSchedulerTask::RefreshVisibility);
  connect(action_, &QComboBox::currentIndexChanged, this, &TFormSchedulerTask::RefreshVisibility);
  connect(duration_, &QSpinBox::valueChanged, this, &TFormSchedulerTask::RefreshVisibility);
}

void TFormSchedulerTask::Load(const TSchJob &job, const QString &title) {
  title_ = title;
  RefreshCaption();
  trigger_->setCurrentIndex(std::clamp(job.TriggerKind, 0, 2));
  for (int i = 0; i < 7; ++i)
    days_[i]->setChecked(job.Days & kDayBits[i]);
  const TLocalFields start = SplitLocal(job.Start);
  date_->setDate(QDate(start.Year, start.Month, start.Day));
  time_->setTime(QTime(start.Hour, start.Minute));
  const frame::TCommandRecord &command = job.Command;
  duration_->setValue(std::clamp(command.Duration, 0, kSchMaxDuration));
  atEnd_->setCurrentIndex(command.AtEnd <= frame::kAtEndShutdown ? command.AtEnd : 0);
  action_->setCurrentIndex(command.Action == frame::TCommandRecord::kActionView ? 0 : 1);
  noVideo_->setChecked(command.NoVideo != 0);
  wake_->setChecked(job.Wake);
  satId_->setText(QString::number(command.SatId));
  tid_->setText(QString::number(command.Tid, 16).toUpper());
  sid_->setText(QString::number(command.Sid, 16).toUpper());
  windowState_->setCurrentIndex(
      command.WindowState <= frame::kStartWindowFullScreen ? command.WindowState : 0);
  comment_->setText(QString::fromStdString(job.Comment));
  calendar_ = job.Calendar;
  RefreshChannel();
  RefreshVisibility();
}

void TFormSchedulerTask::Store(TSchJob &job) const {
  job.TriggerKind = trigger_->currentIndex();
  job.Days = 0;
  for (int i = 0; i < 7; ++i)
    job.Days |= days_[i]->isChecked() ? kDayBits[i] : 0;
  const QDate date = date_->date();
  const QTime time = time_->time();
  job.Start = JoinLocal(date.year(), date.month(), date.day(), time.hour(), time.minute());
  job.Wake = wake_->isChecked();
  job.Comment = comment_->text().trimmed().toStdString();
  job.Calendar = calendar_;
  frame::TCommandRecord &command = job.Command;
  command.Action = action_->currentIndex() == 0 ? frame::TCommandRecord::kActionView
                                                : frame::TCommandRecord::kActionRecord;
  command.Duration = duration_->value();
  command.AtEnd = command.Duration > 0 ? static_cast<std::uint16_t>(atEnd_->currentIndex()) : 0;
  command.NoVideo = noVideo_->isChecked() ? 1 : 0;
  command.WindowState = static_cast<std::uint8_t>(windowState_->currentIndex());
  command.SatId = static_cast<std::uint16_t>(satId_->text().toUInt());
  command.Tid = static_cast<std::uint16_t>(tid_->text().toUInt(nullptr, 16));
  command.Sid = static_cast<std::uint16_t>(sid_->text().toUInt(nullptr, 16));
  const TSchChannelDisplay channel = Channel();
  if (channel.ChannelValid)
    command.ChannelName = channel.ChannelName;
}

void TFormSchedulerTask::accept() {
  const auto refusal = CheckJobEntries(Channel(), duration_->value());
  if (!refusal) {
    QDialog::accept();
    return;
  }
  frame::ShowError(refusal->Text);
  (refusal->Focus == TSchEntry::Duration ? static_cast<QWidget *>(duration_) : tid_)->setFocus();
}

TSchChannelDisplay TFormSchedulerTask::Channel() const {
  return DescribeJobChannel(sats_, lists_, satId_->text().toInt(),
                            static_cast<std::uint16_t>(tid_->text().toUInt(nullptr, 16)),
                            static_cast<std::uint16_t>(sid_->text().toUInt(nullptr, 16)));
}

void TFormSchedulerTask::RefreshCaption() {
  setWindowTitle(
      title_ + "   [ Now: " + QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss") + " ]");
}

void TFormSchedulerTask::RefreshChannel() {
  const TSchChannelDisplay channel = Channel();
  ShowValidity(satName_, channel.SatName, channel.SatValid);
  ShowValidity(chanName_, channel.ChannelName, channel.ChannelValid);
}

void TFormSchedulerTask::RefreshVisibility() {
  const bool weekly = trigger_->currentIndex() == kTriggerWeekly;
  for (QCheckBox *day : days_)
    day->setVisible(weekly);
  atEnd_->setVisible(duration_->value() > 0);
  const bool record = action_->currentIndex() == 1;
  noVideo_->setVisible(record);
  if (!record)
    noVideo_->setChecked(false);
}

bool TQtSchJobEditor::EditJob(TSchJob &job, const std::string &title) {
  TFormSchedulerTask form(owner_, sats_, lists_);
  form.Load(job, QString::fromStdString(title));
  if (form.exec() != QDialog::Accepted)
    return false;
  form.Store(job);
  return true;
}

} // namespace qev::recording
