#include "data/qt/form_edit_ch.h"

#include "data/qt/edit_limits.h"
#include "data/qt/form_ca_item.h"
#include "data/qt/form_es_item.h"
#include "data/qt/number_edit.h"
#include "frame/message_boxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace qev::data {

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

template <typename T> T *Named(const QString &name, QWidget *parent) {
  auto *widget = new T(parent);
  widget->setObjectName(name);
  return widget;
}

// A double click on the volume slider puts it back to unchanged.
class TResetOnDoubleClick : public QObject {
public:
  TResetOnDoubleClick(QSlider *slider) : QObject(slider), slider_(slider) {}
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::MouseButtonDblClick)
      return false;
    slider_->setValue(100);
    return true;
  }

private:
  QSlider *slider_;
};

enum PidField { kPmt, kPcr, kEcm, kVid, kAud, kTtx, kAc3, kPidFields };
constexpr const char *kPidNames[kPidFields] = {"PMT", "PCR", "ECM", "VID", "AUD", "TTX", "AC3"};

} // namespace

class TFormEditCh::TImpl {
public:
  TImpl(TFormEditCh &form, const TChannelRec &rec, TChannelEditLinks links)
      : form_(form), rec_(rec), links_(std::move(links)) {
    auto *layout = new QVBoxLayout(&form);
    auto *top = new QHBoxLayout;
    top->addWidget(TuningBox());
    top->addWidget(PidBox());
    top->addWidget(UserBox());
    layout->addLayout(top);
    layout->addWidget(ListBox("ES", es_, {"Type", "PID", "Lang", "Page", "Language"}, false));
    layout->addWidget(ListBox("CA", ca_, {"CAID", "ECM", "EMM", "PRV", "Crypt System"}, true));
    layout->addLayout(Buttons());
    Show();
    if (links_.ReadOnly)
      MakeReadOnly();
  }

  TChannelRec Working() const {
    TChannelRec rec = rec_;
    StoreChannelEdit(Fields(), rec);
    return rec;
  }

  void Save() {
    rec_ = Working();
    form_.QDialog::accept();
  }
  const TChannelRec &Result() const { return rec_; }

  // ES list -------------------------------------------------------------------------------------
  void EsAdd() {
    if (rec_.EsCount >= kMaxEsItems) {
      frame::ShowWarning(NoMoreSpaceText(false));
      return;
    }
    TFormEsItem dialog(&form_, "Add", TEsItem{}, Hex());
    if (dialog.exec() == QDialog::Accepted && EsAppend(rec_, dialog.Item()))
      FillEs(rec_.EsCount - 1);
  }
  void EsModify(int row) {
    if (!EsSelected(row))
      return;
    TFormEsItem dialog(&form_, "Modify", rec_.EsList[row], Hex());
    if (dialog.exec() != QDialog::Accepted)
      return;
    rec_.EsList[row] = dialog.Item();
    FillEs(row);
  }
  void EsDelete(int row) {
    if (!EsSelected(row))
      return;
    TFormEsItem dialog(&form_, "Delete", rec_.EsList[row], Hex());
    if (dialog.exec() != QDialog::Accepted)
      return;
    EsRemove(rec_, row);
    FillEs(std::min(row, rec_.EsCount - 1));
  }
  void EsMove(int row, int by) {
    if (EsSelected(row) && EsSwap(rec_, row, row + by))
      FillEs(row + by);
  }
  void EsSet(int row) {
    if (!EsSelected(row))
      return;
    const TEsItem &item = rec_.EsList[row];
    const EsTarget target = EsSetTarget(item);
    if (target == EsTarget::None) {
      frame::ShowWarning(kNotAudVidTtx);
      return;
    }
    if (!frame::Confirm(EsSetQuestion(item, Hex())))
      return;
    const PidField field = target == EsTarget::Teletext ? kTtx
                           : target == EsTarget::Audio  ? kAud
                                                        : kVid;
    pids_[field]->SetValue(item.Pid);
    FillEs(row);
  }

  // CA list -------------------------------------------------------------------------------------
  void CaAdd() {
    if (rec_.CaCount >= kMaxCaItems) {
      frame::ShowWarning(NoMoreSpaceText(true));
      return;
    }
    TFormCaItem dialog(&form_, "Add", TCaItem{}, Hex());
    if (dialog.exec() == QDialog::Accepted && CaAppend(rec_, dialog.Item()))
      CaChanged(rec_.CaCount - 1);
  }
  void CaModify(int row) {
    if (!CaSelected(row))
      return;
    TFormCaItem dialog(&form_, "Modify", rec_.CaList[row], Hex());
    if (dialog.exec() != QDialog::Accepted)
      return;
    rec_.CaList[row] = dialog.Item();
    CaChanged(row);
  }
  void CaDelete(int row) {
    if (!CaSelected(row))
      return;
    TFormCaItem dialog(&form_, "Delete", rec_.CaList[row], Hex());
    if (dialog.exec() != QDialog::Accepted)
      return;
    CaRemove(rec_, row);
    CaChanged(std::min(row, rec_.CaCount - 1));
  }
  void CaMove(int row, int by) {
    if (CaSelected(row) && CaSwap(rec_, row, row + by))
      CaChanged(row + by);
  }
  void CaSet(int row) {
    if (!CaSelected(row))
      return;
    if (frame::Confirm(CaSetQuestion(rec_.CaList[row], Hex())))
      pids_[kEcm]->SetValue(rec_.CaList[row].EcmPid);
  }

private:
  bool Hex() const { return links_.PidsInHex; }

  // Every edit of the CA list makes the first enabled entry's ECM PID the one in use.
  void CaChanged(int row) {
    UpdateEcmPid(rec_);
    pids_[kEcm]->SetValue(rec_.EcmPid);
    FillCa(row);
  }

  bool EsSelected(int row) const {
    if (row >= 0 && row < rec_.EsCount)
      return true;
    frame::ShowInformation(kSelectOneEs);
    return false;
  }
  bool CaSelected(int row) const {
    if (row >= 0 && row < rec_.CaCount)
      return true;
    frame::ShowInformation(kSelectOneCa);
    return false;
  }

  TNumberEdit *Number(const QString &name, std::uint32_t max, bool followsHex = true) {
    auto *edit = new TNumberEdit(&form_, name, max, followsHex && Hex());
    if (followsHex)
      numbers_.push_back(edit);
    return edit;
  }

  QGroupBox *TuningBox() {
    auto *box = new QGroupBox("Transponder", &form_);
    auto *grid = new QGridLayout(box);
    freq_ = Number("FreqEdit", 99999999, false);
    srate_ = Named<QSpinBox>("SRateEdit", box);
    srate_->setRange(kMinEditSRate, kMaxEditSRate);
    polar_ = Named<QComboBox>("PolarBox", box);
    polar_->addItems({"Horizontal", "Vertical"});
    tid_ = Number("TidEdit", 0xFFFF);
    sid_ = Number("SidEdit", 0xFFFF);
    int row = 0;
    for (auto [label, widget] :
         std::initializer_list<std::pair<const char *, QWidget *>>{{"Frequency", freq_},
                                                                   {"Symbol rate", srate_},
                                                                   {"Polarisation", polar_},
                                                                   {"TID", tid_},
                                                                   {"SID", sid_}}) {
      grid->addWidget(new QLabel(label, box), row, 0);
      grid->addWidget(widget, row++, 1);
    }
    hexButton_ = Named<QPushButton>("HexButton", box);
    hexButton_->setText("Hex");
    decButton_ = Named<QPushButton>("DecButton", box);
    decButton_->setText("Dec");
    QObject::connect(hexButton_, &QPushButton::clicked, &form_, [this] { SetHex(true); });
    QObject::connect(decButton_, &QPushButton::clicked, &form_, [this] { SetHex(false); });
    auto *notation = new QHBoxLayout;
    notation->addWidget(hexButton_);
    notation->addWidget(decButton_);
    grid->addLayout(notation, row, 0, 1, 2);
    return box;
  }

  QGroupBox *PidBox() {
    auto *box = new QGroupBox("PIDs", &form_);
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < kPidFields; ++i) {
      pids_[i] = Number(QString(kPidNames[i]) + "Edit", kMaxPid);
      grid->addWidget(new QLabel(kPidNames[i], box), i, 0);
      grid->addWidget(pids_[i], i, 1);
    }
    QObject::connect(pids_[kAud], &QLineEdit::textChanged, &form_, [this] { FillEs(EsRow()); });
    return box;
  }

  QGroupBox *UserBox() {
    auto *box = new QGroupBox("Service", &form_);
    auto *grid = new QGridLayout(box);
    name_ = Named<QLineEdit>("NameEdit", box);
    prov_ = Named<QLineEdit>("ProvEdit", box);
    LimitUtf8Bytes(*name_, kNameTextBytes);
    LimitUtf8Bytes(*prov_, kNameTextBytes);
    number_ = Number("ChNumberEdit", 0xFFFF);
    auto *kinds = new QHBoxLayout;
    kind_ = new QButtonGroup(box);
    int id = 0;
    for (const char *caption : {"Data", "TV", "Radio"}) {
      auto *radio = Named<QRadioButton>(QString(caption) + "Radio", box);
      radio->setText(caption);
      kind_->addButton(radio, id++);
      kinds->addWidget(radio);
    }
    scrambled_ = Named<QCheckBox>("ScrambledBox", box);
    scrambled_->setText("Scrambled");
    kinds->addWidget(scrambled_);
    categ_ = Named<QComboBox>("CategBox", box);
    for (const std::string &name : links_.Categories)
      categ_->addItem(Text(name));
    volume_ = Named<QSlider>("VolumeSlider", box);
    volume_->setOrientation(Qt::Horizontal);
    volume_->setRange(0, 200);
    volume_->installEventFilter(new TResetOnDoubleClick(volume_));
    volumeText_ = Named<QLabel>("VolumeText", box);
    QObject::connect(volume_, &QSlider::valueChanged, &form_,
                     [this](int value) { volumeText_->setText(QString("%1%").arg(value)); });
    profile_ = Named<QSpinBox>("ProfileEdit", box);
    profile_->setRange(0, 255);
    profile_->setSpecialValueText("<Disabled>");
    timeAdd_ = Named<QLabel>("TimeAddText", box);
    timeUpd_ = Named<QLabel>("TimeUpdText", box);
    int row = 0;
    const auto add = [&](const char *label, QWidget *widget) {
      grid->addWidget(new QLabel(label, box), row, 0);
      grid->addWidget(widget, row++, 1, 1, 2);
    };
    add("Name", name_);
    add("Provider", prov_);
    add("Number", number_);
    grid->addLayout(kinds, row++, 0, 1, 3);
    add("Category", categ_);
    grid->addWidget(new QLabel("Volume", box), row, 0);
    grid->addWidget(volume_, row, 1);
    grid->addWidget(volumeText_, row++, 2);
    add("Plugin profile", profile_);
    add("Added", timeAdd_);
    add("Updated", timeUpd_);
    return box;
  }

  QGroupBox *ListBox(const QString &kind, QTreeWidget *&list, const QStringList &columns, bool ca) {
    auto *box = new QGroupBox(kind + " list", &form_);
    auto *row = new QHBoxLayout(box);
    list = Named<QTreeWidget>(kind + "List", box);
    list->setRootIsDecorated(false);
    list->setHeaderLabels(columns);
    list->setMinimumHeight(90);
    row->addWidget(list, 1);
    auto *buttons = new QVBoxLayout;
    QTreeWidget *const *target = &list;
    const auto current = [target] {
      return (*target)->indexOfTopLevelItem((*target)->currentItem());
    };
    const std::array<std::pair<const char *, std::function<void()>>, 6> actions{{
        {"Add", [this, ca] { ca ? CaAdd() : EsAdd(); }},
        {"Modify", [this, ca, current] { ca ? CaModify(current()) : EsModify(current()); }},
        {"Delete", [this, ca, current] { ca ? CaDelete(current()) : EsDelete(current()); }},
        {"Up", [this, ca, current] { ca ? CaMove(current(), -1) : EsMove(current(), -1); }},
        {"Down", [this, ca, current] { ca ? CaMove(current(), 1) : EsMove(current(), 1); }},
        {"Set", [this, ca, current] { ca ? CaSet(current()) : EsSet(current()); }},
    }};
    for (const auto &[caption, action] : actions) {
      auto *button = Named<QPushButton>(kind + caption + "Button", box);
      button->setText(caption);
      QObject::connect(button, &QPushButton::clicked, &form_, action);
      buttons->addWidget(button);
      listButtons_.push_back(button);
    }
    buttons->addStretch();
    row->addLayout(buttons);
    return box;
  }

  QHBoxLayout *Buttons() {
    auto *row = new QHBoxLayout;
    row->addStretch();
    save_ = Named<QPushButton>("SaveButton", &form_);
    save_->setText("Save");
    save_->setDefault(true);
    rescan_ = Named<QPushButton>("RescanButton", &form_);
    rescan_->setText("Rescan");
    rescan_->setVisible(static_cast<bool>(links_.Rescan));
    auto *cancel = Named<QPushButton>("CancelButton", &form_);
    cancel->setText("Cancel");
    QObject::connect(save_, &QPushButton::clicked, &form_, [this] { Save(); });
    QObject::connect(rescan_, &QPushButton::clicked, &form_, [this] { Rescan(); });
    QObject::connect(cancel, &QPushButton::clicked, &form_, &QDialog::reject);
    row->addWidget(save_);
    row->addWidget(rescan_);
    row->addWidget(cancel);
    return row;
  }

  void Rescan() {
    rec_ = Working();
    if (links_.Rescan(rec_))
      Show();
  }

  void SetHex(bool hex) {
    if (hex == links_.PidsInHex)
      return;
    links_.PidsInHex = hex;
    for (TNumberEdit *edit : numbers_)
      edit->SetHex(hex);
    FillEs(EsRow());
    FillCa(CaRow());
    links_.SetPidsInHex(hex);
  }

  TChannelEditFields Fields() const {
    TChannelEditFields f;
    f.Freq = freq_->Value();
    f.SRate = static_cast<std::uint16_t>(srate_->value());
    f.Polar = polar_->currentText().toStdString();
    f.TID = static_cast<std::uint16_t>(tid_->Value());
    f.SID = static_cast<std::uint16_t>(sid_->Value());
    std::uint16_t *pids[kPidFields] = {&f.PmtPid, &f.PcrPid, &f.EcmPid, &f.VidPid,
                                       &f.AudPid, &f.TtxPid, &f.Ac3Pid};
    for (int i = 0; i < kPidFields; ++i)
      *pids[i] = static_cast<std::uint16_t>(pids_[i]->Value());
    f.Name = name_->text().toStdString();
    f.Prov = prov_->text().toStdString();
    f.ChNumber = static_cast<std::uint16_t>(number_->Value());
    f.Kind = kind_->checkedId();
    f.Scrambled = scrambled_->isChecked();
    f.Categ = categ_->currentIndex();
    f.VolAdj = volume_->value();
    f.PlgProfile = profile_->value();
    return f;
  }

  void Show() {
    const TChannelEditFields f = ChannelEditFieldsOf(rec_);
    freq_->SetValue(f.Freq);
    srate_->setValue(f.SRate);
    polar_->setCurrentText(Text(f.Polar));
    tid_->SetValue(f.TID);
    sid_->SetValue(f.SID);
    const std::uint16_t pids[kPidFields] = {f.PmtPid, f.PcrPid, f.EcmPid, f.VidPid,
                                            f.AudPid, f.TtxPid, f.Ac3Pid};
    for (int i = 0; i < kPidFields; ++i)
      pids_[i]->SetValue(pids[i]);
    name_->setText(Text(f.Name));
    prov_->setText(Text(f.Prov));
    number_->SetValue(f.ChNumber);
    kind_->button(f.Kind)->setChecked(true);
    scrambled_->setChecked(f.Scrambled);
    categ_->setCurrentIndex(f.Categ < categ_->count() ? f.Categ : 0);
    volume_->setValue(f.VolAdj);
    volumeText_->setText(QString("%1%").arg(f.VolAdj));
    profile_->setValue(f.PlgProfile);
    timeAdd_->setText(Text(EditTimeText(rec_.TimeAdd)));
    timeUpd_->setText(Text(EditTimeText(rec_.TimeUpd)));
    FillEs(0);
    FillCa(0);
  }

  int EsRow() const { return es_->indexOfTopLevelItem(es_->currentItem()); }
  int CaRow() const { return ca_->indexOfTopLevelItem(ca_->currentItem()); }

  void FillEs(int current) {
    es_->clear();
    const std::uint16_t audio = static_cast<std::uint16_t>(pids_[kAud]->Value());
    for (int i = 0; i < rec_.EsCount; ++i) {
      auto *item = new QTreeWidgetItem(es_);
      const std::vector<std::string> texts = EsRowTexts(rec_.EsList[i], Hex());
      for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
        item->setText(c, Text(texts[static_cast<std::size_t>(c)]));
        QFont font = item->font(c);
        font.setBold(audio != 0 && rec_.EsList[i].Pid == audio);
        item->setFont(c, font);
      }
    }
    if (current >= 0 && current < rec_.EsCount)
      es_->setCurrentItem(es_->topLevelItem(current));
  }

  void FillCa(int current) {
    ca_->clear();
    for (int i = 0; i < rec_.CaCount; ++i) {
      auto *item = new QTreeWidgetItem(ca_);
      const std::vector<std::string> texts = CaRowTexts(rec_.CaList[i], Hex());
      for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
        item->setText(c, Text(texts[static_cast<std::size_t>(c)]));
        if (CaIsDisabled(rec_, i))
          item->setForeground(c, Qt::gray);
      }
    }
    if (current >= 0 && current < rec_.CaCount)
      ca_->setCurrentItem(ca_->topLevelItem(current));
  }

  void MakeReadOnly() {
    save_->setVisible(false);
    rescan_->setVisible(false);
    for (QWidget *input : form_.findChildren<QWidget *>()) {
      const bool keep = input == hexButton_ || input == decButton_ ||
                        input->objectName() == "CancelButton" || input == es_ || input == ca_ ||
                        qobject_cast<QGroupBox *>(input) != nullptr ||
                        qobject_cast<QLabel *>(input) != nullptr;
      if (!keep && input->parentWidget() != nullptr &&
          (qobject_cast<QLineEdit *>(input) || qobject_cast<QAbstractButton *>(input) ||
           qobject_cast<QComboBox *>(input) || qobject_cast<QAbstractSlider *>(input) ||
           qobject_cast<QAbstractSpinBox *>(input)))
        input->setEnabled(false);
    }
  }

  TFormEditCh &form_;
  TChannelRec rec_;
  TChannelEditLinks links_;
  std::vector<TNumberEdit *> numbers_;
  TNumberEdit *freq_ = nullptr, *tid_ = nullptr, *sid_ = nullptr, *number_ = nullptr;
  std::array<TNumberEdit *, kPidFields> pids_{};
  QSpinBox *srate_ = nullptr, *profile_ = nullptr;
  QComboBox *polar_ = nullptr, *categ_ = nullptr;
  QLineEdit *name_ = nullptr, *prov_ = nullptr;
  QButtonGroup *kind_ = nullptr;
  QCheckBox *scrambled_ = nullptr;
  QSlider *volume_ = nullptr;
  QLabel *volumeText_ = nullptr, *timeAdd_ = nullptr, *timeUpd_ = nullptr;
  QTreeWidget *es_ = nullptr, *ca_ = nullptr;
  std::vector<QPushButton *> listButtons_;
  QPushButton *hexButton_ = nullptr, *decButton_ = nullptr, *save_ = nullptr, *rescan_ = nullptr;
};

TFormEditCh::TFormEditCh(QWidget *owner, const TChannelRec &rec, TChannelEditLinks links)
    : QDialog(owner) {
  setObjectName("FormEditCh");
  setWindowTitle(kEditChTitle);
  impl_ = std::make_unique<TImpl>(*this, rec, std::move(links));
}

TFormEditCh::~TFormEditCh() = default;

TChannelRec TFormEditCh::Working() const { return impl_->Working(); }
const TChannelRec &TFormEditCh::Result() const { return impl_->Result(); }
void TFormEditCh::accept() { impl_->Save(); }
void TFormEditCh::EsAdd() { impl_->EsAdd(); }
void TFormEditCh::EsModify(int row) { impl_->EsModify(row); }
void TFormEditCh::EsDelete(int row) { impl_->EsDelete(row); }
void TFormEditCh::EsMove(int row, int by) { impl_->EsMove(row, by); }
void TFormEditCh::EsSet(int row) { impl_->EsSet(row); }
void TFormEditCh::CaAdd() { impl_->CaAdd(); }
void TFormEditCh::CaModify(int row) { impl_->CaModify(row); }
void TFormEditCh::CaDelete(int row) { impl_->CaDelete(row); }
void TFormEditCh::CaMove(int row, int by) { impl_->CaMove(row, by); }
void TFormEditCh::CaSet(int row) { impl_->CaSet(row); }

bool EditChannel(QWidget *owner, TChannelRec &rec, const TChannelEditLinks &links) {
  TFormEditCh form(owner, rec, links);
  if (form.exec() != QDialog::Accepted || links.ReadOnly)
    return false;
  rec = form.Result();
  return true;
}

} // namespace qev::data
