#pragma once

#include "data/tp_editing.h"

#include <QDialog>

#include <filesystem>

namespace qev::data {

// A beam's coverage picture, titled "11778,V"; Escape or the C key closes it.
class TFormCoverageInfo : public QDialog {
  Q_OBJECT
public:
  TFormCoverageInfo(QWidget *owner, const QString &title, const QPixmap &picture);

protected:
  void keyPressEvent(QKeyEvent *event) override;
};

// The coverage of a transponder of the satellite at position: its beam from the .cvr file, then
// the beam's picture; every failure is shown to the user. True when the picture was shown.
bool ShowCoverage(QWidget *owner, TCoverageCache &cache, int position, const TTransponder &tp);

} // namespace qev::data
