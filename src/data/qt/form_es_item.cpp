#include "data/qt/form_es_item.h"

#include "data/channel_editing.h"
#include "data/code_tables.h"
#include "data/lang_names.h"
#include "data/qt/number_edit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace qev::data {

QStringList LangCodes() {
  QStringList codes;
  for (const TLangEntry &entry : LangTable())
    codes << QString::fromStdString(std::string(entry.Code)).toUpper();
  codes.sort();
  codes.removeDuplicates();
  return codes;
}

TFormEsItem::TFormEsItem(QWidget *owner, const QString &action, const TEsItem &item, bool hex)
    : QDialog(owner), type_(new QSpinBox(this)), kind_(new QSpinBox(this)),
      page_(new QSpinBox(this)), typeText_(new QLabel(this)), kindText_(new QLabel(this)),
      pageLabel_(new QLabel("Page", this)), pid_(new TNumberEdit(this, "PidEdit", kMaxPid, hex)),
      lang_(new QComboBox(this)) {
  setObjectName("FormEsItem");
  setWindowTitle(QString::fromStdString(ItemDialogTitle(action.toStdString())));
  type_->setObjectName("StreamTypeEdit");
  kind_->setObjectName("KindEdit");
  page_->setObjectName("PageEdit");
  typeText_->setObjectName("StreamTypeText");
  kindText_->setObjectName("KindText");
  lang_->setObjectName("LangBox");
  type_->setRange(0, 255);
  kind_->setRange(0, 255);
  page_->setRange(0, 899);
  lang_->setEditable(true);
  lang_->addItems(LangCodes());
  type_->setValue(item.StreamType);
  kind_->setValue(item.Kind);
  page_->setValue(item.TtxPage);
  pid_->SetValue(item.Pid);
  lang_->setCurrentText(QString::fromStdString(EsLang(item)));
  auto *grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Stream type", this), 0, 0);
  grid->addWidget(type_, 0, 1);
  grid->addWidget(typeText_, 0, 2);
  grid->addWidget(new QLabel("Kind", this), 1, 0);
  grid->addWidget(kind_, 1, 1);
  grid->addWidget(kindText_, 1, 2);
  grid->addWidget(new QLabel("PID", this), 2, 0);
  grid->addWidget(pid_, 2, 1);
  grid->addWidget(new QLabel("Language", this), 3, 0);
  grid->addWidget(lang_, 3, 1);
  grid->addWidget(pageLabel_, 4, 0);
  grid->addWidget(page_, 4, 1);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 5, 0, 1, 3);
  connect(type_, &QSpinBox::valueChanged, this, [this] { Describe(); });
  connect(kind_, &QSpinBox::valueChanged, this, [this] { Describe(); });
  Describe();
}

void TFormEsItem::Describe() {
  typeText_->setText(
      QString::fromStdString(StreamTypeText(static_cast<std::uint8_t>(type_->value()))));
  kindText_->setText(
      QString::fromStdString(EsKindText(static_cast<std::uint8_t>(kind_->value()), "---")));
  const bool paged = kind_->value() == kKindTeletext || kind_->value() == kKindSubtitle;
  page_->setVisible(paged);
  pageLabel_->setVisible(paged);
}

TEsItem TFormEsItem::Item() const {
  TEsItem item{};
  item.StreamType = static_cast<std::uint8_t>(type_->value());
  item.Kind = static_cast<std::uint8_t>(kind_->value());
  item.Pid = static_cast<std::uint16_t>(pid_->Value());
  SetEsLang(item, lang_->currentText().trimmed().left(3).toStdString());
  const bool paged = item.Kind == kKindTeletext || item.Kind == kKindSubtitle;
  item.TtxPage = paged ? static_cast<std::uint16_t>(page_->value()) : 0;
  return item;
}

} // namespace qev::data
