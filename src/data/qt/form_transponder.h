#pragma once

#include "data/tp_editing.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qev::data {

// One transponder: frequency in MHz, symbol rate with the quick choices 22000 and 27500, and
// polarisation. OK is enabled only while frequency and symbol rate are above 0.
class TFormTransponder : public QDialog {
  Q_OBJECT
public:
  TFormTransponder(QWidget *owner, const QString &title, const TTransponder &start);

  TTransponder Entry() const;
  bool OkEnabled() const;

private:
  void Check();

  QLineEdit *freq_;
  QComboBox *srate_;
  QComboBox *polar_;
  QPushButton *ok_;
};

// Shows the dialog; the entry when confirmed.
std::optional<TTransponder> AskTransponder(QWidget *owner, const QString &title,
                                           const TTransponder &start);

} // namespace qev::data
