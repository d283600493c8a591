#include "data/qt/form_ca_item.h"

#include "data/channel_editing.h"
#include "data/qt/number_edit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace qev::data {

TFormCaItem::TFormCaItem(QWidget *owner, const QString &action, const TCaItem &item, bool hex)
    : QDialog(owner), caId_(new TNumberEdit(this, "CaIdEdit", 0xFFFF, true)),
      ecm_(new TNumberEdit(this, "EcmEdit", kMaxPid, hex)),
      emm_(new TNumberEdit(this, "EmmEdit", kMaxPid, hex)),
      prov_(new TNumberEdit(this, "ProvEdit", ~kCaDisabledBit, true)),
      disabled_(new QCheckBox("disabled", this)) {
  setObjectName("FormCaItem");
  setWindowTitle(QString::fromStdString(ItemDialogTitle(action.toStdString())));
  disabled_->setObjectName("DisabledBox");
  caId_->SetValue(item.CaId);
  ecm_->SetValue(item.EcmPid);
  emm_->SetValue(item.EmmPid);
  prov_->SetValue(item.ProvId & ~kCaDisabledBit);
  disabled_->setChecked((item.ProvId & kCaDisabledBit) != 0);
  auto *form = new QFormLayout(this);
  form->addRow("CAID", caId_);
  form->addRow("ECM PID", ecm_);
  form->addRow("EMM PID", emm_);
  form->addRow("Provider", prov_);
  form->addRow(disabled_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

TCaItem TFormCaItem::Item() const {
  TCaItem item{};
  item.CaId = static_cast<std::uint16_t>(caId_->Value());
  item.EcmPid = static_cast<std::uint16_t>(ecm_->Value());
  item.EmmPid = static_cast<std::uint16_t>(emm_->Value());
  item.ProvId = prov_->Value() | (disabled_->isChecked() ? kCaDisabledBit : 0);
  return item;
}

} // namespace qev::data
