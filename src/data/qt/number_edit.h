#pragma once

#include <QLineEdit>

#include <cstdint>

namespace qev::data {

// A number input that shows its value in hexadecimal or decimal, as the PidEditsInHex option
// says, and keeps the value when the notation changes. Text beyond max is not accepted.
class TNumberEdit : public QLineEdit {
  Q_OBJECT
public:
  TNumberEdit(QWidget *parent, const QString &name, std::uint32_t max, bool hex);

  std::uint32_t Value() const;
  void SetValue(std::uint32_t value);
  void SetHex(bool hex);

private:
  std::uint32_t max_;
  bool hex_;
};

} // namespace qev::data
