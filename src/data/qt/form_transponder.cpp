#include "data/qt/form_transponder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace qev::data {

namespace {

QValidator *Digits(QObject *parent) {
  return new QRegularExpressionValidator(QRegularExpression("\\d{0,6}"), parent);
}

} // namespace

TFormTransponder::TFormTransponder(QWidget *owner, const QString &title, const TTransponder &start)
    : QDialog(owner), freq_(new QLineEdit(this)), srate_(new QComboBox(this)),
      polar_(new QComboBox(this)) {
  setObjectName("FormTransponder");
  setWindowTitle(title);
  freq_->setObjectName("FreqEdit");
  freq_->setValidator(Digits(freq_));
  srate_->setObjectName("SRateBox");
  srate_->setEditable(true);
  srate_->addItems({"22000", "27500"});
  srate_->setValidator(Digits(srate_));
  polar_->setObjectName("PolarBox");
  polar_->addItems({"H", "V"});
  freq_->setText(start.TpFreq ? QString::number(start.TpFreq) : QString());
  srate_->setCurrentText(start.TpSRate ? QString::number(start.TpSRate) : QString());
  polar_->setCurrentIndex(TpPolar(start) == 'V' ? 1 : 0);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName("OkButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(freq_, &QLineEdit::textChanged, this, [this] { Check(); });
  connect(srate_, &QComboBox::currentTextChanged, this, [this] { Check(); });
  auto *form = new QFormLayout(this);
  form->addRow("Frequency (MHz)", freq_);
  form->addRow("Symbol rate", srate_);
  form->addRow("Polarisation", polar_);
  form->addRow(buttons);
  Check();
}

TTransponder TFormTransponder::Entry() const {
  return MakeTransponder(freq_->text().toUInt(), polar_->currentText().at(0).toLatin1(),
                         srate_->currentText().toUInt());
}

bool TFormTransponder::OkEnabled() const { return ok_->isEnabled(); }

void TFormTransponder::Check() {
  ok_->setEnabled(TpDialogOk(freq_->text().toUInt(), srate_->currentText().toUInt()));
}

std::optional<TTransponder> AskTransponder(QWidget *owner, const QString &title,
                                           const TTransponder &start) {
  TFormTransponder form(owner, title, start);
  if (form.exec() != QDialog::Accepted)
    return std::nullopt;
  return form.Entry();
}

} // namespace qev::data
