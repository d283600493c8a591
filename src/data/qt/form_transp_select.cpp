#include "data/qt/form_transp_select.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>

namespace qev::data {

namespace {

QSpinBox *Range(QWidget *parent, const char *name, int high) {
  auto *spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(0, high);
  return spin;
}

QCheckBox *Switch(QWidget *parent, const char *name, const char *caption) {
  auto *box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

struct TQuick {
  const char *caption;
  int from, to;
};

QToolButton *QuickChoices(QWidget *parent, const char *name, QSpinBox *from, QSpinBox *to,
                          std::initializer_list<TQuick> choices) {
  auto *button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText("...");
  button->setPopupMode(QToolButton::InstantPopup);
  auto *menu = new QMenu(button);
  for (const TQuick &choice : choices) {
    QAction *action = menu->addAction(choice.caption);
    QObject::connect(action, &QAction::triggered, button, [from, to, choice] {
      from->setValue(choice.from);
      to->setValue(choice.to);
    });
  }
  button->setMenu(menu);
  return button;
}

} // namespace

TFormTranspSelect::TFormTranspSelect(QWidget *owner, const TTpCriteria &start)
    : QDialog(owner), freqFrom_(Range(this, "FreqFromEdit", 99999)),
      freqTo_(Range(this, "FreqToEdit", 99999)), srateFrom_(Range(this, "SRateFromEdit", 99999)),
      srateTo_(Range(this, "SRateToEdit", 99999)),
      horizontal_(Switch(this, "HorizontalBox", "Horizontal")),
      vertical_(Switch(this, "VerticalBox", "Vertical")),
      inBlind_(Switch(this, "InBlindBox", "In the list without signal")),
      notInBlind_(Switch(this, "NotInBlindBox", "Not in the list without signal")) {
  setObjectName("FormTranspSelect");
  setWindowTitle("Select transponders");
  auto *grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Frequency (MHz)", this), 0, 0);
  grid->addWidget(freqFrom_, 0, 1);
  grid->addWidget(freqTo_, 0, 2);
  grid->addWidget(
      QuickChoices(
          this, "FreqChoices", freqFrom_, freqTo_,
          {{"All Ku", 10700, 12750}, {"Low band", 10700, 11700}, {"High band", 11700, 12750}}),
      0, 3);
  grid->addWidget(new QLabel("Symbol rate", this), 1, 0);
  grid->addWidget(srateFrom_, 1, 1);
  grid->addWidget(srateTo_, 1, 2);
  grid->addWidget(QuickChoices(this, "SRateChoices", srateFrom_, srateTo_,
                               {{"All", 1000, 45000},
                                {"< 10000", 1000, 10000},
                                {"22000", 22000, 22000},
                                {"27500", 27500, 27500}}),
                  1, 3);
  grid->addWidget(horizontal_, 2, 0, 1, 2);
  grid->addWidget(vertical_, 2, 2, 1, 2);
  grid->addWidget(inBlind_, 3, 0, 1, 2);
  grid->addWidget(notInBlind_, 3, 2, 1, 2);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 4, 0, 1, 4);
  SetCriteria(start);
}

TTpCriteria TFormTranspSelect::Criteria() const {
  TTpCriteria c;
  c.FreqFrom = static_cast<std::uint32_t>(freqFrom_->value());
  c.FreqTo = static_cast<std::uint32_t>(freqTo_->value());
  c.SRateFrom = static_cast<std::uint32_t>(srateFrom_->value());
  c.SRateTo = static_cast<std::uint32_t>(srateTo_->value());
  c.Horizontal = horizontal_->isChecked();
  c.Vertical = vertical_->isChecked();
  c.InBlind = inBlind_->isChecked();
  c.NotInBlind = notInBlind_->isChecked();
  return c;
}

void TFormTranspSelect::SetCriteria(const TTpCriteria &c) {
  freqFrom_->setValue(static_cast<int>(c.FreqFrom));
  freqTo_->setValue(static_cast<int>(c.FreqTo));
  srateFrom_->setValue(static_cast<int>(c.SRateFrom));
  srateTo_->setValue(static_cast<int>(c.SRateTo));
  horizontal_->setChecked(c.Horizontal);
  vertical_->setChecked(c.Vertical);
  inBlind_->setChecked(c.InBlind);
  notInBlind_->setChecked(c.NotInBlind);
}

} // namespace qev::data
