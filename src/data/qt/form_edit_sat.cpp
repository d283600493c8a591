#include "data/qt/form_edit_sat.h"

#include "data/qt/edit_limits.h"
#include "data/qt/form_sat_picker.h"
#include "data/qt/sat_edit_preview.h"
#include "data/sat_list.h"
#include "frame/message_boxes.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <cmath>

namespace qev::data {

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }
std::string Std(const QString &text) { return text.toStdString(); }

template <typename T> T *Named(const QString &name, QWidget *parent) {
  auto *widget = new T(parent);
  widget->setObjectName(name);
  return widget;
}

QSpinBox *Spin(const QString &name, QWidget *parent, int low, int high) {
  auto *spin = Named<QSpinBox>(name, parent);
  spin->setRange(low, high);
  return spin;
}

QComboBox *LofBox(const QString &name, QWidget *parent, const QStringList &values) {
  auto *box = Named<QComboBox>(name, parent);
  box->setEditable(true);
  box->addItems(values);
  box->setValidator(new QRegularExpressionValidator(QRegularExpression("\\d{0,9}"), box));
  return box;
}

// Red for text that is no hex, yellow for an odd number of digits.
void ColourRaw(QLineEdit &edit) {
  switch (CheckRawText(Std(edit.text()))) {
  case RawTextState::Valid:
    edit.setStyleSheet({});
    break;
  case RawTextState::Invalid:
    edit.setStyleSheet("background-color: #ff8080;");
    break;
  case RawTextState::Incomplete:
    edit.setStyleSheet("background-color: #ffff80;");
    break;
  }
}

struct TSwitchWidgets {
  QComboBox *Type = nullptr;
  QComboBox *Port = nullptr;
  QLineEdit *Raw = nullptr;
  QSpinBox *TxCount = nullptr;
  QSpinBox *Gap = nullptr;
  QLabel *Preview = nullptr;
};

constexpr int kSwitchRawType = 4;
constexpr int kPosSmartPos = 1;
constexpr int kPosRawType = 2;
constexpr int kPosStored = 3;

} // namespace

class TFormEditSat::TImpl {
public:
  TImpl(TFormEditSat &form, const TSatRec &rec, bool add, TSatEditLinks links)
      : form_(form), rec_(rec), links_(std::move(links)) {
    auto *layout = new QVBoxLayout(&form);
    layout->addWidget(SatBox(add));
    layout->addWidget(LnbBox());
    auto *switches = new QHBoxLayout;
    for (int i = 0; i < 3; ++i)
      switches->addWidget(SwitchBox(i));
    layout->addLayout(switches);
    layout->addWidget(PositionerBox());
    layout->addLayout(Buttons());
    TSatEditForm values = SatEditFormOf(rec);
    if (add) {
      TSatRec preset = rec;
      ApplyLnbPreset(preset, LnbPreset::KuLinear);
      values.LofLow = std::to_string(preset.LofLow);
      values.LofHigh = std::to_string(preset.LofHigh);
      values.LofSwitch = std::to_string(preset.LofSwitch);
    }
    Show(values);
    name_->setEnabled(true);
    pick_->setEnabled(add);
    position_->setEnabled(add);
  }

  TSatEditForm Form() const {
    TSatEditForm f;
    f.Name = Std(name_->text().trimmed());
    f.Position = position_->text().toInt();
    f.Dish = dish_->currentIndex();
    f.LofLow = Std(lofLow_->currentText());
    f.LofHigh = Std(lofHigh_->currentText());
    f.LofSwitch = Std(lofSwitch_->currentText());
    for (std::size_t i = 0; i < 3; ++i) {
      const TSwitchWidgets &w = sw_[i];
      f.Sw[i] = {w.Type->currentIndex(), w.Port->currentIndex() + 1, w.TxCount->value(),
                 w.Gap->value(), Std(w.Raw->text())};
    }
    f.PosType = posType_->currentIndex();
    f.PosStored = posStored_->value();
    f.PosAzimuth = posAzimuth_->value();
    f.PosElevation = posElevation_->value();
    f.PosSmartId = posSmartId_->value();
    const int tenths = static_cast<int>(std::lround(posAngle_->value() * 10));
    f.PosAngle = posWest_->currentIndex() == 1 ? tenths : -tenths;
    f.PosRaw = Std(posRaw_->text());
    f.PosTxCount = posTxCount_->value();
    f.PosGap = posGap_->value();
    return f;
  }

  void Save() {
    const TSatEditForm f = Form();
    const TSatEditCheck check = CheckSatEdit(f, links_.PositionTaken(f.Position, rec_.SatIdx));
    if (!check.Ok) {
      if (check.Warning)
        frame::ShowWarning(check.Message);
      else
        frame::ShowError(check.Message);
      return;
    }
    StoreSatEdit(f, rec_);
    form_.QDialog::accept();
  }

  const TSatRec &Result() const { return rec_; }

private:
  QGroupBox *SatBox(bool add) {
    auto *box = new QGroupBox("Satellite", &form_);
    auto *grid = new QGridLayout(box);
    name_ = Named<QLineEdit>("NameEdit", box);
    LimitUtf8Bytes(*name_, kSatNameChars);
    pick_ = Named<QToolButton>("PickSatButton", box);
    pick_->setText("...");
    QObject::connect(pick_, &QToolButton::clicked, &form_, [this] { Pick(); });
    position_ = Named<QLineEdit>("PositionEdit", box);
    position_->setValidator(new QRegularExpressionValidator(QRegularExpression("\\d{0,4}"), box));
    position_->setMaximumWidth(60);
    positionText_ = Named<QLabel>("PositionText", box);
    QObject::connect(position_, &QLineEdit::textChanged, &form_, [this](const QString &text) {
      positionText_->setText(Text(PositionText(text.toInt())));
    });
    dish_ = Named<QComboBox>("DishBox", box);
    dish_->addItems({"None/Fix", "Mobile 1", "Mobile 2", "Mobile 3", "Mobile 4"});
    grid->addWidget(new QLabel(add ? "New satellite" : "Name", box), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 3);
    grid->addWidget(pick_, 0, 4);
    grid->addWidget(new QLabel("Position", box), 1, 0);
    grid->addWidget(position_, 1, 1);
    grid->addWidget(positionText_, 1, 2);
    grid->addWidget(new QLabel("Dish", box), 1, 3);
    grid->addWidget(dish_, 1, 4);
    return box;
  }

  QGroupBox *LnbBox() {
    auto *box = new QGroupBox("LNB", &form_);
    auto *row = new QHBoxLayout(box);
    const QStringList lofs{"5150000", "9750000", "10600000", "10750000"};
    lofLow_ = LofBox("LofLowBox", box, lofs);
    lofHigh_ = LofBox("LofHighBox", box, lofs);
    lofSwitch_ = LofBox("LofSwitchBox", box, {"0", "11700000"});
    auto *presets = Named<QToolButton>("LnbPresetButton", box);
    presets->setText("LNB type");
    presets->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(presets);
    Preset(*menu, "KU-Linear", LnbPreset::KuLinear);
    Preset(*menu, "KU-Circular", LnbPreset::KuCircular);
    Preset(*menu, "C-Band", LnbPreset::CBand);
    presets->setMenu(menu);
    for (auto [label, widget] :
         {std::pair{"Low", lofLow_}, {"High", lofHigh_}, {"Switch", lofSwitch_}}) {
      row->addWidget(new QLabel(label, box));
      row->addWidget(widget, 1);
    }
    row->addWidget(presets);
    return box;
  }

  void Preset(QMenu &menu, const char *caption, LnbPreset preset) {
    QAction *action = menu.addAction(caption);
    action->setObjectName(caption);
    QObject::connect(action, &QAction::triggered, &form_, [this, preset] {
      TSatRec values{};
      ApplyLnbPreset(values, preset);
      lofLow_->setCurrentText(QString::number(values.LofLow));
      lofHigh_->setCurrentText(QString::number(values.LofHigh));
      lofSwitch_->setCurrentText(QString::number(values.LofSwitch));
    });
  }

  QGroupBox *SwitchBox(int i) {
    const QString prefix = QString("Sw%1").arg(i + 1);
    auto *box = new QGroupBox(QString("DiSEqC switch %1").arg(i + 1), &form_);
    auto *grid = new QFormLayout(box);
    TSwitchWidgets &w = sw_[static_cast<std::size_t>(i)];
    w.Type = Named<QComboBox>(prefix + "TypeBox", box);
    w.Type->addItems({"None", "Simple", "Committed", "Uncommitted", "Raw Data"});
    w.Port = Named<QComboBox>(prefix + "PortBox", box);
    w.Raw = Named<QLineEdit>(prefix + "RawEdit", box);
    w.TxCount = Spin(prefix + "TxCountEdit", box, 0, kMaxTxCount);
    w.Gap = Spin(prefix + "GapEdit", box, 0, kMaxSwitchGap);
    w.Preview = Named<QLabel>(prefix + "Preview", box);
    grid->addRow("Type", w.Type);
    grid->addRow("Port", w.Port);
    grid->addRow("Raw", w.Raw);
    grid->addRow("Repeat", w.TxCount);
    grid->addRow("Gap ms", w.Gap);
    grid->addRow("Command", w.Preview);
    QObject::connect(w.Type, &QComboBox::currentIndexChanged, &form_,
                     [this, i](int type) { TypeChanged(i, type); });
    QObject::connect(w.Port, &QComboBox::currentIndexChanged, &form_, [this] { Previews(); });
    QObject::connect(w.Raw, &QLineEdit::textEdited, &form_, [this, &w] {
      // Typing a command means sending it as it stands.
      if (w.Type->currentIndex() != kSwitchRawType)
        w.Type->setCurrentIndex(kSwitchRawType);
    });
    QObject::connect(w.Raw, &QLineEdit::textChanged, &form_, [this, &w] {
      ColourRaw(*w.Raw);
      Previews();
    });
    return box;
  }

  void TypeChanged(int i, int type) {
    TSwitchWidgets &w = sw_[static_cast<std::size_t>(i)];
    const int port = w.Port->currentIndex() + 1;
    const QSignalBlocker block(w.Port);
    w.Port->clear();
    for (const std::string &name : SwitchPortNames(type))
      w.Port->addItem(Text(name));
    w.Port->setCurrentIndex(KeptPort(port, w.Port->count()) - 1);
    Previews();
  }

  QGroupBox *PositionerBox() {
    auto *box = new QGroupBox("Positioner", &form_);
    auto *grid = new QGridLayout(box);
    posType_ = Named<QComboBox>("PosTypeBox", box);
    posType_->addItems({"None", "SmartPos", "Raw Data", "DiSEqC 1.2", "USALS Generic",
                        "USALS STAB HH", "USALS SG2100"});
    posSmartId_ = Spin("PosSmartIdEdit", box, 0, 65535);
    posAzimuth_ = Spin("PosAzimuthEdit", box, -3600, 3600);
    posElevation_ = Spin("PosElevationEdit", box, -900, 900);
    posStored_ = Spin("PosStoredEdit", box, 1, 255);
    posAngle_ = Named<QDoubleSpinBox>("PosAngleEdit", box);
    posAngle_->setRange(0, 180);
    posAngle_->setDecimals(1);
    posAngle_->setSingleStep(0.1);
    posWest_ = Named<QComboBox>("PosWestBox", box);
    posWest_->addItems({"E", "W"});
    posRaw_ = Named<QLineEdit>("PosRawEdit", box);
    posTxCount_ = Spin("PosTxCountEdit", box, 0, kMaxTxCount);
    posGap_ = Spin("PosGapEdit", box, 0, kMaxSwitchGap);
    posPreview_ = Named<QLabel>("PosPreview", box);
    posDrive_ = Named<QLabel>("PosDriveAngle", box);
    smartLabels_ = {new QLabel("SmartPos ID", box), new QLabel("Azimuth", box),
                    new QLabel("Elevation", box)};
    storedLabel_ = new QLabel("Stored position", box);
    angleLabel_ = new QLabel("Angle", box);
    grid->addWidget(new QLabel("Type", box), 0, 0);
    grid->addWidget(posType_, 0, 1);
    grid->addWidget(new QLabel("Repeat", box), 0, 2);
    grid->addWidget(posTxCount_, 0, 3);
    grid->addWidget(new QLabel("Gap ms", box), 0, 4);
    grid->addWidget(posGap_, 0, 5);
    grid->addWidget(smartLabels_[0], 1, 0);
    grid->addWidget(posSmartId_, 1, 1);
    grid->addWidget(smartLabels_[1], 1, 2);
    grid->addWidget(posAzimuth_, 1, 3);
    grid->addWidget(smartLabels_[2], 1, 4);
    grid->addWidget(posElevation_, 1, 5);
    grid->addWidget(storedLabel_, 2, 0);
    grid->addWidget(posStored_, 2, 1);
    grid->addWidget(angleLabel_, 2, 2);
    grid->addWidget(posAngle_, 2, 3);
    grid->addWidget(posWest_, 2, 4);
    grid->addWidget(posDrive_, 2, 5);
    grid->addWidget(new QLabel("Command", box), 3, 0);
    grid->addWidget(posRaw_, 3, 1, 1, 2);
    grid->addWidget(posPreview_, 3, 3, 1, 3);
    QObject::connect(posType_, &QComboBox::currentIndexChanged, &form_, [this] { PosShown(); });
    QObject::connect(posRaw_, &QLineEdit::textChanged, &form_, [this] {
      ColourRaw(*posRaw_);
      Previews();
    });
    for (QSpinBox *spin : {posStored_, posSmartId_})
      QObject::connect(spin, &QSpinBox::valueChanged, &form_, [this] { Previews(); });
    QObject::connect(posAngle_, &QDoubleSpinBox::valueChanged, &form_, [this] { Previews(); });
    QObject::connect(posWest_, &QComboBox::currentIndexChanged, &form_, [this] { Previews(); });
    return box;
  }

  void PosShown() {
    const int type = posType_->currentIndex();
    const bool smart = type == kPosSmartPos;
    const bool usals = type > kPosStored;
    for (QWidget *w : {static_cast<QWidget *>(posSmartId_), static_cast<QWidget *>(posAzimuth_),
                       static_cast<QWidget *>(posElevation_)})
      w->setVisible(smart);
    for (QLabel *label : smartLabels_)
      label->setVisible(smart);
    posStored_->setVisible(type == kPosStored);
    storedLabel_->setVisible(type == kPosStored);
    for (QWidget *w : {static_cast<QWidget *>(posAngle_), static_cast<QWidget *>(posWest_),
                       static_cast<QWidget *>(posDrive_), static_cast<QWidget *>(angleLabel_)})
      w->setVisible(usals);
    posRaw_->setVisible(type == kPosRawType);
    Previews();
  }

  void Previews() {
    TSatRec preview = rec_;
    StoreSatEdit(Form(), preview);
    const TSwitchCfg *switches[] = {&preview.Sw1, &preview.Sw2, &preview.Sw3};
    for (int i = 0; i < 3; ++i)
      sw_[static_cast<std::size_t>(i)].Preview->setText(
          Text(SwitchPreview(i + 1, *switches[i], links_.Diseqc)));
    posPreview_->setText(Text(PositionerPreview(preview, links_.Diseqc)));
    posDrive_->setText(Text(DriveAngleText(preview, links_.Diseqc)));
  }

  void Show(const TSatEditForm &f) {
    name_->setText(Text(f.Name));
    position_->setText(QString("%1").arg(f.Position, 4, 10, QChar('0')));
    dish_->setCurrentIndex(f.Dish);
    lofLow_->setCurrentText(Text(f.LofLow));
    lofHigh_->setCurrentText(Text(f.LofHigh));
    lofSwitch_->setCurrentText(Text(f.LofSwitch));
    for (int i = 0; i < 3; ++i) {
      const TSwitchEdit &edit = f.Sw[static_cast<std::size_t>(i)];
      TSwitchWidgets &w = sw_[static_cast<std::size_t>(i)];
      w.Raw->setText(Text(edit.Raw));
      w.TxCount->setValue(edit.TxCount);
      w.Gap->setValue(edit.Gap);
      w.Type->setCurrentIndex(-1);
      const QSignalBlocker block(w.Port);
      w.Type->setCurrentIndex(edit.Type);
      w.Port->setCurrentIndex(KeptPort(edit.Port, w.Port->count()) - 1);
    }
    posType_->setCurrentIndex(f.PosType);
    posStored_->setValue(f.PosStored);
    posSmartId_->setValue(f.PosSmartId);
    posAzimuth_->setValue(f.PosAzimuth);
    posElevation_->setValue(f.PosElevation);
    posAngle_->setValue(std::abs(f.PosAngle) / 10.0);
    posWest_->setCurrentIndex(f.PosAngle > 0 ? 1 : 0);
    posRaw_->setText(Text(f.PosRaw));
    posTxCount_->setValue(f.PosTxCount);
    posGap_->setValue(f.PosGap);
    PosShown();
  }

  void Pick() {
    const std::optional<TKnownSat> sat = PickSatellite(&form_, links_.AllSats);
    if (!sat)
      return;
    name_->setText(CutToUtf8Bytes(Text(sat->Name), kSatNameChars));
    position_->setText(QString("%1").arg(sat->Position, 4, 10, QChar('0')));
  }

  QHBoxLayout *Buttons() {
    auto *row = new QHBoxLayout;
    row->addStretch();
    auto *save = Named<QPushButton>("SaveButton", &form_);
    save->setText("Save");
    save->setDefault(true);
    auto *cancel = Named<QPushButton>("CancelButton", &form_);
    cancel->setText("Cancel");
    QObject::connect(save, &QPushButton::clicked, &form_, [this] { Save(); });
    QObject::connect(cancel, &QPushButton::clicked, &form_, &QDialog::reject);
    row->addWidget(save);
    row->addWidget(cancel);
    return row;
  }

  TFormEditSat &form_;
  TSatRec rec_;
  TSatEditLinks links_;
  QLineEdit *name_ = nullptr;
  QToolButton *pick_ = nullptr;
  QLineEdit *position_ = nullptr;
  QLabel *positionText_ = nullptr;
  QComboBox *dish_ = nullptr;
  QComboBox *lofLow_ = nullptr, *lofHigh_ = nullptr, *lofSwitch_ = nullptr;
  std::array<TSwitchWidgets, 3> sw_{};
  QComboBox *posType_ = nullptr;
  QSpinBox *posSmartId_ = nullptr, *posAzimuth_ = nullptr, *posElevation_ = nullptr;
  QSpinBox *posStored_ = nullptr;
  QDoubleSpinBox *posAngle_ = nullptr;
  QComboBox *posWest_ = nullptr;
  QLineEdit *posRaw_ = nullptr;
  QSpinBox *posTxCount_ = nullptr, *posGap_ = nullptr;
  QLabel *posPreview_ = nullptr, *posDrive_ = nullptr;
  std::array<QLabel *, 3> smartLabels_{};
  QLabel *storedLabel_ = nullptr, *angleLabel_ = nullptr;
};

TFormEditSat::TFormEditSat(QWidget *owner, const TSatRec &rec, bool add, TSatEditLinks links)
    : QDialog(owner) {
  setObjectName("FormEditSat");
  setWindowTitle(kEditSatTitle);
  impl_ = std::make_unique<TImpl>(*this, rec, add, std::move(links));
}

TFormEditSat::~TFormEditSat() = default;

TSatEditForm TFormEditSat::Form() const { return impl_->Form(); }
const TSatRec &TFormEditSat::Result() const { return impl_->Result(); }
void TFormEditSat::accept() { impl_->Save(); }

bool EditSatellite(QWidget *owner, TSatRec &rec, bool add, const TSatEditLinks &links) {
  TSatRec start = rec;
  if (add) {
    if (const std::optional<TKnownSat> sat = PickSatellite(owner, links.AllSats)) {
      SetSatName(start, sat->Name);
      start.SatPos = static_cast<std::uint16_t>(std::clamp(sat->Position, 0, kMaxSatPosition));
    }
  }
  TFormEditSat form(owner, start, add, links);
  if (form.exec() != QDialog::Accepted)
    return false;
  rec = form.Result();
  return true;
}

} // namespace qev::data
