#include "ui/qt/password_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qev::ui {

TFormPassword::TFormPassword(QWidget *owner, const QString &prompt)
    : QDialog(owner), field_(new QLineEdit(this)) {
  setObjectName("FormPassword");
  setWindowTitle(prompt);
  setModal(true);
  auto *layout = new QVBoxLayout(this);
  auto *label = new QLabel(prompt, this);
  label->setBuddy(field_);
  layout->addWidget(label);
  field_->setObjectName("passwordField");
  field_->setEchoMode(QLineEdit::Password);
  field_->setMinimumWidth(fontMetrics().horizontalAdvance('M') * 18);
  layout->addWidget(field_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  field_->setFocus();
}

std::string TFormPassword::Answer() const { return field_->text().toUpper().toStdString(); }

std::optional<std::string> AskPassword(QWidget *owner, const std::string &prompt) {
  TFormPassword dialog(owner, QString::fromStdString(prompt));
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.Answer();
}

} // namespace qev::ui
