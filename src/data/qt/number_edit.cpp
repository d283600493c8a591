#include "data/qt/number_edit.h"

#include "data/channel_editing.h"

#include <QValidator>

namespace qev::data {

namespace {

class TNumberValidator : public QValidator {
public:
  TNumberValidator(QObject *parent, std::uint32_t max, const bool &hex)
      : QValidator(parent), max_(max), hex_(hex) {}
  State validate(QString &text, int &) const override {
    if (text.isEmpty())
      return Intermediate;
    return ParseNumber(text.toStdString(), hex_, max_) ? Acceptable : Invalid;
  }

private:
  std::uint32_t max_;
  const bool &hex_;
};

} // namespace

TNumberEdit::TNumberEdit(QWidget *parent, const QString &name, std::uint32_t max, bool hex)
    : QLineEdit(parent), max_(max), hex_(hex) {
  setObjectName(name);
  setValidator(new TNumberValidator(this, max_, hex_));
  SetValue(0);
}

std::uint32_t TNumberEdit::Value() const {
  return ParseNumber(text().toStdString(), hex_, max_).value_or(0);
}

void TNumberEdit::SetValue(std::uint32_t value) {
  setText(QString::fromStdString(NumberText(std::min(value, max_), hex_)));
}

void TNumberEdit::SetHex(bool hex) {
  const std::uint32_t value = Value();
  hex_ = hex;
  SetValue(value);
}

} // namespace qev::data
