#include "recording/qt/sleep_timer_widgets.h"

#include "frame/message_boxes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qev::recording {

namespace {

constexpr int kRefreshMs = 500;
constexpr const char *kActionItems[] = {"Exit", "Suspend", "Hibernate", "Shutdown", "Record !"};

// The style's clock-like icon; a plain mark where the style has none.
QIcon Glyph(const QStyle &style) {
  QIcon icon = style.standardIcon(QStyle::SP_BrowserReload);
  if (!icon.isNull())
    return icon;
  QPixmap mark(16, 16);
  mark.fill(Qt::darkBlue);
  return QIcon(mark);
}

QDateTime LocalOf(TSleepTimer::TimePoint instant) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count()).toLocalTime();
}

} // namespace

TFormSleepTimerSet::TFormSleepTimerSet(TSleepTimer &timer, QWidget *parent)
    : QDialog(parent), timer_(timer) {
  setWindowTitle("Sleep Timer");
  auto *form = new QFormLayout;
  EditSTDate = new QDateEdit(this);
  EditSTDate->setDisplayFormat("dd-MM-yyyy");
  EditSTDate->setCalendarPopup(true);
  EditSTTime = new QTimeEdit(this);
  EditSTTime->setDisplayFormat("HH:mm:ss");
  form->addRow("Date", EditSTDate);
  form->addRow("Time", EditSTTime);
  auto *minutesRow = new QHBoxLayout;
  BtnMinus15 = new QPushButton("-15", this);
  EditDiffMinutes = new QSpinBox(this);
  EditDiffMinutes->setRange(0, 99999);
  BtnPlus15 = new QPushButton("+15", this);
  minutesRow->addWidget(BtnMinus15);
  minutesRow->addWidget(EditDiffMinutes);
  minutesRow->addWidget(BtnPlus15);
  form->addRow("Minutes", minutesRow);

  auto *actions = new QGroupBox("Action", this);
  auto *actionLayout = new QVBoxLayout(actions);
  RgAction = new QButtonGroup(this);
  for (int i = 0; i < 5; ++i) {
    auto *item = new QRadioButton(kActionItems[i], actions);
    RgAction->addButton(item, i);
    actionLayout->addWidget(item);
  }
  EditTimerRecStop = new QSpinBox(actions);
  EditTimerRecStop->setRange(0, 9999);
  EditTimerRecStop->setSuffix(" min");
  actionLayout->addWidget(EditTimerRecStop);

  LabelTO = new QLabel(this);
  BtnSetTimer = new QPushButton("Set", this);
  BtnClearTimer = new QPushButton("Clear", this);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(LabelTO, 1);
  buttons->addWidget(BtnSetTimer);
  buttons->addWidget(BtnClearTimer);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(actions);
  layout->addLayout(buttons);

  connect(EditDiffMinutes, &QSpinBox::valueChanged, this,
          [this](int minutes) { ShowTrigger(timer_.Now() + std::chrono::minutes(minutes)); });
  connect(BtnMinus15, &QPushButton::clicked, this,
          [this] { EditDiffMinutes->setValue(EditDiffMinutes->value() - 15); });
  connect(BtnPlus15, &QPushButton::clicked, this,
          [this] { Plus15Clicked(QApplication::keyboardModifiers() & Qt::ControlModifier); });
  connect(RgAction, &QButtonGroup::idClicked, this, [this](int item) { ActionChanged(item); });
  connect(EditTimerRecStop, &QSpinBox::valueChanged, this,
          [this](int minutes) { timer_.SetRecordMinutes(minutes); });
  connect(BtnSetTimer, &QPushButton::clicked, this, [this] { SetTimerClicked(); });
  connect(BtnClearTimer, &QPushButton::clicked, this, [this] {
    timer_.ClearSleepTimer();
    RefreshStatus();
  });
  connect(&refresh_, &QTimer::timeout, this, [this] { RefreshStatus(); });
  refresh_.start(kRefreshMs);

  EditTimerRecStop->setValue(timer_.RecordMinutes());
  timer_.TakeChangedFromOutside();
  ReadTimer();
  RefreshStatus();
}

void TFormSleepTimerSet::ReadTimer() {
  if (timer_.Armed()) {
    ShowTrigger(timer_.Trigger());
  } else {
    EditSTDate->setDate(QDate(2000, 1, 1));
    EditSTTime->setTime(QTime(0, 0));
  }
  const int item = timer_.Armed() ? timer_.Action() - 1 : 0;
  if (QAbstractButton *button = RgAction->button(item < 0 ? 0 : item))
    button->setChecked(true);
  EditTimerRecStop->setVisible(RgAction->checkedId() == kSleepRecord - 1);
}

void TFormSleepTimerSet::ShowTrigger(TSleepTimer::TimePoint trigger) {
  const QDateTime local = LocalOf(trigger);
  EditSTDate->setDate(local.date());
  EditSTTime->setTime(local.time());
}

TSleepTimer::TimePoint TFormSleepTimerSet::FieldsTrigger() const {
  const QDateTime local(EditSTDate->date(), EditSTTime->time());
  return TSleepTimer::TimePoint(std::chrono::milliseconds(local.toMSecsSinceEpoch()));
}

void TFormSleepTimerSet::ActionChanged(int item) {
  EditTimerRecStop->setVisible(item == kSleepRecord - 1);
  if (timer_.Armed())
    timer_.SetAction(item + 1);
  RefreshStatus();
}

void TFormSleepTimerSet::SetTimerClicked() {
  const TSleepTimer::TimePoint trigger = FieldsTrigger();
  const std::string text = LocalOf(trigger).toString("dd-MM-yyyy HH:mm:ss").toStdString();
  if (const std::string warning = ArmFromDialog(timer_, trigger, text, RgAction->checkedId());
      !warning.empty())
    frame::ShowWarning(warning);
  RefreshStatus();
}

void TFormSleepTimerSet::Plus15Clicked(bool ctrlHeld) {
  if (!ctrlHeld) {
    EditDiffMinutes->setValue(EditDiffMinutes->value() + 15);
    return;
  }
  // A quick test of the action: due in fifteen seconds.
  ShowTrigger(timer_.Now() + std::chrono::seconds(15));
  SetTimerClicked();
}

void TFormSleepTimerSet::RefreshStatus() {
  if (timer_.TakeChangedFromOutside())
    ReadTimer();
  const TSleepStatus status = SleepStatus(timer_);
  LabelTO->setText(QString::fromStdString(status.text));
  LabelTO->setStyleSheet(status.armed ? "color: #0000ff" : "color: #808080");
  BtnClearTimer->setEnabled(status.armed);
}

TSleepTimerButton::TSleepTimerButton(TSleepTimer &timer, TSleepHandlers handlers, QWidget *parent)
    : QToolButton(parent), timer_(timer), handlers_(std::move(handlers)), glyph_(Glyph(*style())) {
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setToolTip("Sleep timer");
  Show(TSleepDisplay{});
  connect(this, &QToolButton::clicked, this, [this] {
    TFormSleepTimerSet dialog(timer_, window());
    dialog_ = &dialog;
    dialog.exec();
    Check();
  });
  connect(&check_, &QTimer::timeout, this, [this] { Check(); });
  check_.start(kCheckMs);
}

void TSleepTimerButton::Check() {
  const TSleepTimer::TCheck check = timer_.CheckSleepTimer();
  Show(check.display);
  if (check.fired == kSleepNone)
    return;
  // The action may close the program: the dialog goes first, not from under its own loop.
  if (dialog_)
    dialog_->reject();
  FireSleepAction(check.fired, timer_.RecordMinutes(), handlers_);
}

void TSleepTimerButton::Show(const TSleepDisplay &display) {
  setText(QString::fromStdString(display.text));
  setStyleSheet(!display.armed ? QString()
                : display.red  ? QString("color: red")
                               : QString("color: blue"));
  setIcon(display.glyphShown ? glyph_ : QIcon());
}

} // namespace qev::recording
