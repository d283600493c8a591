#pragma once

#include "data/tp_editing.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

namespace qev::data {

// The criteria that mark transponders: frequency and symbol rate ranges with quick choices,
// both polarisations, and membership of the blind list.
class TFormTranspSelect : public QDialog {
  Q_OBJECT
public:
  TFormTranspSelect(QWidget *owner, const TTpCriteria &start);

  TTpCriteria Criteria() const;
  void SetCriteria(const TTpCriteria &criteria);

private:
  QSpinBox *freqFrom_, *freqTo_, *srateFrom_, *srateTo_;
  QCheckBox *horizontal_, *vertical_, *inBlind_, *notInBlind_;
};

} // namespace qev::data
