#pragma once

#include "data/channel_rec.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;

namespace qev::data {

class TNumberEdit;

// One elementary stream: stream type and kind with their names beside them, PID, language
// (the sorted ISO 639 codes) and the page, shown for teletext and subtitle kinds only.
class TFormEsItem : public QDialog {
  Q_OBJECT
public:
  TFormEsItem(QWidget *owner, const QString &action, const TEsItem &item, bool hex);

  TEsItem Item() const;

private:
  void Describe();

  QSpinBox *type_, *kind_, *page_;
  QLabel *typeText_, *kindText_, *pageLabel_;
  TNumberEdit *pid_;
  QComboBox *lang_;
};

// The sorted, distinct three-letter codes of the ISO 639 table.
QStringList LangCodes();

} // namespace qev::data
