#pragma once

#include "si/table_wait.h"

#include <QDialog>

class QLabel;

namespace qev::si {

// The small window that says which table is being read and how many seconds of its time-out
// are left. It does not block the other windows, and the user cannot close it: it goes when
// its owner does.
class TWaitDialog final : public QDialog {
  Q_OBJECT
public:
  static constexpr const char *kCaption = "Please wait...";

  explicit TWaitDialog(QWidget *parent = nullptr);

  // Shows the dialog, when hidden, with the table and the seconds as two digits.
  void ShowWait(const std::string &table, int secondsLeft);
  // ShowWait on this dialog, for the collectors.
  TTableWait Callback();

  QString TableText() const;
  QString SecondsText() const;

public slots:
  void reject() override; // Escape

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  QLabel *table_;
  QLabel *seconds_;
};

} // namespace qev::si
