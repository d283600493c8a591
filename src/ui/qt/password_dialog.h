#pragma once

#include "ui/child_lock.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

namespace qev::ui {

// A small modal dialog: the prompt, a masked field; Enter accepts, Escape cancels.
class TFormPassword final : public QDialog {
  Q_OBJECT
public:
  TFormPassword(QWidget *owner, const QString &prompt);
  QLineEdit *Field() const { return field_; }
  // The text typed, in upper case.
  std::string Answer() const;

private:
  QLineEdit *field_;
};

// Asks with the dialog; nothing when the user cancelled.
std::optional<std::string> AskPassword(QWidget *owner, const std::string &prompt);

// The lock's prompts as dialogs over a window.
class TDialogPasswordAsker final : public IPasswordAsker {
public:
  explicit TDialogPasswordAsker(QWidget *owner) : owner_(owner) {}
  std::optional<std::string> AskPassword(const std::string &prompt) override {
    return ui::AskPassword(owner_, prompt);
  }

private:
  QWidget *owner_;
};

} // namespace qev::ui
