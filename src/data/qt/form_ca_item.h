#pragma once

#include "data/channel_rec.h"

#include <QDialog>

class QCheckBox;

namespace qev::data {

class TNumberEdit;

// One conditional-access entry: CAID, ECM and EMM PIDs, provider and the disabled flag.
class TFormCaItem : public QDialog {
  Q_OBJECT
public:
  TFormCaItem(QWidget *owner, const QString &action, const TCaItem &item, bool hex);

  TCaItem Item() const;

private:
  TNumberEdit *caId_, *ecm_, *emm_, *prov_;
  QCheckBox *disabled_;
};

} // namespace qev::data
