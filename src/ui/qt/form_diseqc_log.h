#pragma once

#include "device/diseqc_log.h"

#include <QWidget>

#include <memory>

namespace qev::ui {

// The DiSEqC log window over the program's log: created hidden, closing only hides it, a double
// click clears the log.
class TFormDiseqcLog : public QWidget {
  Q_OBJECT
public:
  TFormDiseqcLog(QWidget *owner, device::TDiseqcLog &log);
  ~TFormDiseqcLog() override;

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::ui
