#include "ui/qt/chan_tree_filter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace qev::ui {
namespace {

const std::vector<const char *> kGroupKindNames = {
    "None",           "Satellite",         "Provider",          "Transponder",    "Symbol rate",
    "Category",       "Service type",      "CA system",         "CA id/provider", "First letter",
    "Audio language", "Subtitle language", "Teletext language", "Favourites",     "Date added",
    "Service id"};
const std::vector<const char *> kSortKeyNames = {"None", "Name", "Provider", "Frequency"};
const std::vector<const char *> kInfoColumnNames = {"Category",     "Provider",   "Transponder",
                                                    "Sat position", "Favourites", "Profile"};
const char *const kServiceNames[kServiceBoxes] = {"TV", "Radio", "Data", "Scrambled", "Free"};
constexpr const char *kAnyCategory = "Any category";

} // namespace

TFrameChTreeFilter::TFrameChTreeFilter(TGSFRules &rules, const std::vector<std::string> &categories,
                                       QWidget *parent)
    : QWidget(parent), rules_(rules) {
  setObjectName(QStringLiteral("ChTreeFilter"));
  BuildControls(categories);
  LoadRules();
  SetFolded(rules_.MinimizedCF);
}

QComboBox *TFrameChTreeFilter::Chooser(const std::vector<const char *> &entries) {
  auto *box = new QComboBox(body_);
  for (const char *entry : entries)
    box->addItem(QString::fromUtf8(entry));
  return box;
}

QCheckBox *TFrameChTreeFilter::CheckBox(const char *text) {
  auto *box = new QCheckBox(QString::fromUtf8(text), body_);
  connect(box, &QCheckBox::toggled, this, [this] { OnFilter(); });
  return box;
}

void TFrameChTreeFilter::BuildControls(const std::vector<std::string> &categories) {
  auto *outer = new QVBoxLayout(this);
  outer->setContentsMargins(1, 1, 1, 1);
  outer->setSpacing(1);
  fold_ = new QToolButton(this);
  fold_->setObjectName(QStringLiteral("FoldButton"));
  fold_->setCheckable(true);
  fold_->setText(QStringLiteral("Filter"));
  fold_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  connect(fold_, &QToolButton::toggled, this, [this](bool folded) { SetFolded(folded); });
  outer->addWidget(fold_);

  body_ = new QWidget(this);
  auto *grid = new QGridLayout(body_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  group1_ = Chooser(kGroupKindNames);
  group2_ = Chooser(kGroupKindNames);
  sort1_ = Chooser(kSortKeyNames);
  sort2_ = Chooser(kSortKeyNames);
  infoCol_ = Chooser(kInfoColumnNames);
  category_ = new QComboBox(body_);
  category_->addItem(QString::fromUtf8(kAnyCategory));
  for (const std::string &name : categories)
    category_->addItem(QString::fromStdString(name));
  const std::pair<QComboBox *, const char *> names[] = {
      {group1_, "Group1"}, {group2_, "Group2"},      {sort1_, "Sort1"},
      {sort2_, "Sort2"},   {infoCol_, "InfoColumn"}, {category_, "Category"}};
  for (const auto &[box, name] : names)
    box->setObjectName(QString::fromUtf8(name));
  for (QComboBox *box : {group1_, group2_, sort1_, sort2_})
    connect(box, &QComboBox::currentIndexChanged, this, [this] { OnGrouping(); });
  connect(infoCol_, &QComboBox::currentIndexChanged, this, [this] { OnInfoColumn(); });
  connect(category_, &QComboBox::currentIndexChanged, this, [this] { OnFilter(); });
  grid->addWidget(group1_, 0, 0);
  grid->addWidget(group2_, 0, 1);
  grid->addWidget(sort1_, 1, 0);
  grid->addWidget(sort2_, 1, 1);
  grid->addWidget(category_, 2, 0);
  grid->addWidget(infoCol_, 2, 1);

  auto *serviceRow = new QHBoxLayout;
  for (const char *name : kServiceNames) {
    services_.push_back(CheckBox(name));
    serviceRow->addWidget(services_.back());
  }
  grid->addLayout(serviceRow, 3, 0, 1, 2);
  auto *featureRow = new QHBoxLayout;
  sub_ = CheckBox("Subtitles");
  ttx_ = CheckBox("Teletext");
  ac3_ = CheckBox("AC-3");
  favourite_ = CheckBox("Favourites");
  for (QCheckBox *box : {sub_, ttx_, ac3_, favourite_})
    featureRow->addWidget(box);
  grid->addLayout(featureRow, 4, 0, 1, 2);

  auto *nameRow = new QHBoxLayout;
  name_ = new QLineEdit(body_);
  name_->setObjectName(QStringLiteral("NameFilter"));
  name_->setClearButtonEnabled(true);
  name_->setPlaceholderText(QStringLiteral("Name contains"));
  name_->installEventFilter(this);
  connect(name_, &QLineEdit::textChanged, this, [this] { OnFilter(); });
  auto *reset = new QPushButton(QStringLiteral("Reset"), body_);
  reset->setObjectName(QStringLiteral("ResetButton"));
  connect(reset, &QPushButton::clicked, this, [this] { OnReset(); });
  nameRow->addWidget(name_, 1);
  nameRow->addWidget(reset);
  grid->addLayout(nameRow, 5, 0, 1, 2);
  outer->addWidget(body_);
}

void TFrameChTreeFilter::LoadRules() {
  const bool wasLoading = loading_;
  loading_ = true;
  const TFilterControls c = ControlsOf(rules_, category_->count());
  group1_->setCurrentIndex(c.Group1);
  group2_->setCurrentIndex(c.Group2);
  group2_->setEnabled(c.Group1 > 0);
  sort1_->setCurrentIndex(c.Sort1);
  sort2_->setCurrentIndex(c.Sort2);
  infoCol_->setCurrentIndex(c.InfoCol);
  category_->setCurrentIndex(c.Category);
  for (std::size_t i = 0; i < services_.size(); ++i)
    services_[i]->setChecked(c.Services[i]);
  sub_->setChecked(c.Sub);
  ttx_->setChecked(c.Ttx);
  ac3_->setChecked(c.Ac3);
  favourite_->setChecked(c.Favourite);
  name_->setText(QString::fromStdString(c.Name));
  loading_ = wasLoading;
}

TFilterControls TFrameChTreeFilter::Controls() const {
  TFilterControls c;
  c.Group1 = group1_->currentIndex();
  c.Group2 = group2_->currentIndex();
  c.Sort1 = sort1_->currentIndex();
  c.Sort2 = sort2_->currentIndex();
  c.InfoCol = infoCol_->currentIndex();
  c.Category = category_->currentIndex();
  for (std::size_t i = 0; i < services_.size(); ++i)
    c.Services[i] = services_[i]->isChecked();
  c.Sub = sub_->isChecked();
  c.Ttx = ttx_->isChecked();
  c.Ac3 = ac3_->isChecked();
  c.Favourite = favourite_->isChecked();
  c.Name = name_->text().toStdString();
  return c;
}

void TFrameChTreeFilter::OnGrouping() {
  if (loading_)
    return;
  TFilterControls c = Controls();
  StoreGrouping(rules_, c);
  loading_ = true;
  group2_->setCurrentIndex(c.Group2);
  group2_->setEnabled(c.Group1 > 0);
  loading_ = false;
  emit GroupingChanged();
}

void TFrameChTreeFilter::OnFilter() {
  if (loading_)
    return;
  StoreFilter(rules_, Controls());
  emit FilterChanged();
}

void TFrameChTreeFilter::OnInfoColumn() {
  if (loading_)
    return;
  rules_.ChfInfoCol = infoCol_->currentIndex();
  emit InfoColumnChanged();
}

void TFrameChTreeFilter::OnReset() {
  ResetFilter(rules_);
  LoadRules();
  emit FilterChanged();
}

bool TFrameChTreeFilter::Folded() const { return body_->isHidden(); }

void TFrameChTreeFilter::SetFolded(bool folded) {
  rules_.MinimizedCF = folded;
  body_->setVisible(!folded);
  fold_->setArrowType(folded ? Qt::DownArrow : Qt::UpArrow);
  if (fold_->isChecked() != folded) {
    const QSignalBlocker block(fold_);
    fold_->setChecked(folded);
  }
  layout()->invalidate();
  setFixedHeight(layout()->sizeHint().height() + 2);
  emit FoldChanged(folded);
}

bool TFrameChTreeFilter::eventFilter(QObject *watched, QEvent *event) {
  if (watched == name_ && event->type() == QEvent::FocusIn)
    emit HotkeysActiveChanged(false);
  if (watched == name_ && event->type() == QEvent::FocusOut)
    emit HotkeysActiveChanged(true);
  return QWidget::eventFilter(watched, event);
}

} // namespace qev::ui
