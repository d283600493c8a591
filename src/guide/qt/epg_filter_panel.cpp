#include "guide/qt/epg_filter_panel.h"

#include "data/date_time.h"
#include "guide/epg_view_model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimeZone>
#include <QVBoxLayout>

namespace qev::guide {

namespace {

// The panel's date and time fields hold local wall-clock time, counted here as if it were UTC.
std::int64_t FieldSeconds(const QDateEdit &date, const QTimeEdit &time) {
  return QDateTime(date.date(), time.time(), QTimeZone::utc()).toSecsSinceEpoch();
}

void SetFields(std::int64_t localSeconds, QDateEdit &date, QTimeEdit &time) {
  const QDateTime at = QDateTime::fromSecsSinceEpoch(localSeconds, QTimeZone::utc());
  date.setDate(at.date());
  time.setTime(at.time());
}

QHBoxLayout *Row(QWidget &owner) {
  auto *row = new QHBoxLayout(&owner);
  row->setContentsMargins(0, 0, 0, 0);
  return row;
}

} // namespace

TEpgFilterPanel::TEpgFilterPanel(TEpgViewModel &model, QWidget *parent)
    : QWidget(parent), model_(model) {
  setObjectName("filterPanel");
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(BuildSearchRow());
  column->addWidget(BuildContentRow());
  column->addWidget(BuildWindowRow());
  column->addWidget(BuildQuickRow());
  FillGroups();
}

QWidget *TEpgFilterPanel::BuildSearchRow() {
  auto *box = new QWidget;
  QHBoxLayout *row = Row(*box);
  row->addWidget(new QLabel(tr("Search:")));
  search_ = new QLineEdit;
  search_->setObjectName("searchEdit");
  search_->setClearButtonEnabled(true);
  row->addWidget(search_, 1);
  field_ = new QComboBox;
  field_->setObjectName("searchFieldBox");
  field_->addItems({tr("All texts"), tr("Name"), tr("Short text"), tr("Extended text")});
  row->addWidget(field_);
  connect(search_, &QLineEdit::textChanged, this, [this](const QString &text) {
    model_.Filters().SearchText = text.toStdString();
    emit Changed();
  });
  connect(field_, &QComboBox::currentIndexChanged, this, [this](int index) {
    model_.Filters().SearchField = index;
    emit Changed();
  });
  return box;
}

QWidget *TEpgFilterPanel::BuildContentRow() {
  auto *box = new QWidget;
  QHBoxLayout *row = Row(*box);
  row->addWidget(new QLabel(tr("Content:")));
  group_ = new QComboBox;
  group_->setObjectName("contentGroupBox");
  subgroup_ = new QComboBox;
  subgroup_->setObjectName("contentSubgroupBox");
  row->addWidget(group_, 1);
  row->addWidget(subgroup_, 1);
  connect(group_, &QComboBox::currentIndexChanged, this, &TEpgFilterPanel::GroupChosen);
  connect(subgroup_, &QComboBox::currentIndexChanged, this, &TEpgFilterPanel::SubgroupChosen);
  return box;
}

QWidget *TEpgFilterPanel::BuildWindowRow() {
  auto *box = new QWidget;
  QHBoxLayout *row = Row(*box);
  window_ = new QCheckBox(tr("From"));
  window_->setObjectName("windowBox");
  fromDate_ = new QDateEdit;
  fromDate_->setObjectName("fromDate");
  fromTime_ = new QTimeEdit;
  fromTime_->setObjectName("fromTime");
  toDate_ = new QDateEdit;
  toDate_->setObjectName("toDate");
  toTime_ = new QTimeEdit;
  toTime_->setObjectName("toTime");
  for (QDateEdit *date : {fromDate_, toDate_}) {
    date->setDisplayFormat("dd/MM/yyyy");
    date->setCalendarPopup(true);
    connect(date, &QDateEdit::dateChanged, this, &TEpgFilterPanel::TakeWindow);
  }
  for (QTimeEdit *time : {fromTime_, toTime_}) {
    time->setDisplayFormat("HH:mm");
    connect(time, &QTimeEdit::timeChanged, this, &TEpgFilterPanel::TakeWindow);
  }
  SetFields(data::UtcToLocal(data::NowUtc()), *fromDate_, *fromTime_);
  SetFields(data::UtcToLocal(data::NowUtc()), *toDate_, *toTime_);
  connect(window_, &QCheckBox::toggled, this, &TEpgFilterPanel::TakeWindow);
  row->addWidget(window_);
  row->addWidget(fromDate_);
  row->addWidget(fromTime_);
  row->addWidget(new QLabel(tr("to")));
  row->addWidget(toDate_);
  row->addWidget(toTime_);
  row->addStretch(1);
  return box;
}

QWidget *TEpgFilterPanel::BuildQuickRow() {
  auto *box = new QWidget;
  QHBoxLayout *row = Row(*box);
  const std::pair<const char *, std::pair<QString, TQuickWindow>> choices[] = {
      {"todayButton", {tr("Today"), TQuickWindow::Today}},
      {"eveningButton", {tr("This evening"), TQuickWindow::ThisEvening}},
      {"tomorrowButton", {tr("Tomorrow"), TQuickWindow::Tomorrow}},
      {"weekButton", {tr("This week"), TQuickWindow::ThisWeek}},
      {"weekendButton", {tr("This weekend"), TQuickWindow::ThisWeekend}}};
  for (const auto &[name, choice] : choices) {
    auto *button = new QPushButton(choice.first);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, quick = choice.second] { Quick(quick); });
    row->addWidget(button);
  }
  row->addStretch(1);
  return box;
}

void TEpgFilterPanel::FillGroups() {
  const QSignalBlocker blocker(group_);
  group_->clear();
  for (const TContentItem &item : model_.Content().Groups())
    group_->addItem(QString::fromStdString(item.Text));
  group_->setCurrentIndex(model_.Content().Group());
  GroupChosen(model_.Content().Group());
}

void TEpgFilterPanel::GroupChosen(int index) {
  TContentChooser &content = model_.Content();
  content.ChooseGroup(index < 0 ? 0 : index);
  {
    const QSignalBlocker blocker(subgroup_);
    subgroup_->clear();
    for (const TContentItem &item : content.Subgroups())
      subgroup_->addItem(QString::fromStdString(item.Text));
    subgroup_->setCurrentIndex(content.Subgroup());
    subgroup_->setEnabled(content.SubgroupEnabled());
  }
  content.ApplyTo(model_.Filters());
  emit Changed();
}

void TEpgFilterPanel::SubgroupChosen(int index) {
  if (index < 0)
    return;
  model_.Content().ChooseSubgroup(index);
  model_.Content().ApplyTo(model_.Filters());
  emit Changed();
}

void TEpgFilterPanel::Quick(TQuickWindow choice) {
  const TLocalWindow window = QuickWindow(choice, data::NowUtc());
  filling_ = true;
  SetFields(window.LocalFrom, *fromDate_, *fromTime_);
  SetFields(window.LocalTo, *toDate_, *toTime_);
  window_->setChecked(true);
  filling_ = false;
  TakeWindow();
}

void TEpgFilterPanel::TakeWindow() {
  if (filling_)
    return;
  if (window_->isChecked())
    SetTimeWindow(model_.Filters(),
                  {FieldSeconds(*fromDate_, *fromTime_), FieldSeconds(*toDate_, *toTime_)});
  else
    ClearTimeWindow(model_.Filters());
  emit Changed();
}

void TEpgFilterPanel::Reset() {
  filling_ = true;
  search_->clear();
  group_->setCurrentIndex(0);
  window_->setChecked(false);
  filling_ = false;
  TakeWindow();
}

void TEpgFilterPanel::FocusSearch() { search_->setFocus(); }

} // namespace qev::guide
