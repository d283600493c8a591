#include "ui/qt/form_diseqc_console.h"

#include "frame/message_boxes.h"
#include "ui/diseqc_console_model.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace qev::ui {

namespace {

TFormDiseqcConsole *theConsole = nullptr;

// A widget under the name the tests and the style find it by.
template <typename Widget, typename... Args> Widget *Named(const char *name, Args &&...args) {
  auto *widget = new Widget(std::forward<Args>(args)...);
  widget->setObjectName(name);
  return widget;
}

QPushButton *Button(QWidget *owner, const char *name, const QString &caption) {
  return Named<QPushButton>(name, caption, owner);
}

QColor RawFieldColour(device::THexField::State state) {
  switch (state) {
  case device::THexField::Invalid:
    return Qt::red;
  case device::THexField::Odd:
    return Qt::yellow;
  case device::THexField::Valid:
    break;
  }
  return {};
}

} // namespace

class TFormDiseqcConsole::TImpl {
public:
  TImpl(TFormDiseqcConsole &form, TUiContext &context)
      : form_(form), context_(context), model_(*context.Diseqc, context.Options.DiseqC) {
    auto *layout = new QVBoxLayout(&form);
    layout->addWidget(MotionBox());
    layout->addWidget(LimitsBox());
    layout->addWidget(StoredBox());
    layout->addWidget(AngleBox());
    layout->addWidget(RawBox());
    layout->addStretch();
  }

private:
  struct TBox {
    QGroupBox *box;
    QGridLayout *grid;
  };
  TBox Box(const char *title) {
    auto *box = new QGroupBox(title, &form_);
    return {box, new QGridLayout(box)};
  }

  template <typename Action>
  QPushButton *Act(const char *name, const QString &caption, Action action) {
    QPushButton *button = Button(&form_, name, caption);
    QObject::connect(button, &QPushButton::clicked, &form_, action);
    return button;
  }

  QGroupBox *MotionBox() {
    const auto [box, grid] = Box("Motor");
    steps_ = Named<QLineEdit>("StepsEdit", "1", box);
    steps_->setMaxLength(3);
    grid->addWidget(Act("StepWestButton", "< Step West", [this] { Step(false); }), 0, 0);
    grid->addWidget(steps_, 0, 1);
    grid->addWidget(Act("StepEastButton", "Step East >", [this] { Step(true); }), 0, 2);
    grid->addWidget(Hold("DriveWestButton", "<< West", false), 1, 0);
    grid->addWidget(Act("StopButton", "Stop", [this] { model_.Stop(); }), 1, 1);
    grid->addWidget(Hold("DriveEastButton", "East >>", true), 1, 2);
    return box;
  }

  // Moves while held down; letting go stops the motor.
  QPushButton *Hold(const char *name, const QString &caption, bool east) {
    QPushButton *button = Button(&form_, name, caption);
    QObject::connect(button, &QPushButton::pressed, &form_, [this, east] { model_.Drive(east); });
    QObject::connect(button, &QPushButton::released, &form_, [this] { model_.Stop(); });
    return button;
  }

  QGroupBox *LimitsBox() {
    const auto [box, grid] = Box("Limits");
    grid->addWidget(Act("WestLimitButton", "Set West Limit", [this] { model_.SetLimit(false); }), 0,
                    0);
    grid->addWidget(Act("EastLimitButton", "Set East Limit", [this] { model_.SetLimit(true); }), 0,
                    1);
    grid->addWidget(
        Act("DisableLimitsButton", "Disable Limits", [this] { model_.DisableLimits(); }), 1, 0);
    grid->addWidget(Act("EnableLimitsButton", "Enable Limits", [this] { model_.EnableLimits(); }),
                    1, 1);
    return box;
  }

  QGroupBox *StoredBox() {
    const auto [box, grid] = Box("Stored position");
    stored_ = Named<QSpinBox>("StoredEdit", box);
    stored_->setRange(1, 255);
    stored_->setValue(std::clamp<int>(context_.LoadedSat.Rec().PosStored, 1, 255));
    grid->addWidget(stored_, 0, 0);
    grid->addWidget(
        Act("GotoStoredButton", "Go to", [this] { model_.GotoStored(stored_->value()); }), 0, 1);
    grid->addWidget(Act("StoreButton", "Store", [this] { model_.StorePosition(stored_->value()); }),
                    0, 2);
    return box;
  }

  QGroupBox *AngleBox() {
    const auto [box, grid] = Box("Go to angle");
    angle_ = Named<QDoubleSpinBox>("AngleEdit", box);
    angle_->setRange(0, 180);
    angle_->setDecimals(1);
    angle_->setSingleStep(0.1);
    side_ = Named<QComboBox>("AngleSideBox", box);
    side_->addItems({"E", "W"});
    motor_ = Named<QLabel>("MotorAngleLabel", box);
    motor_->setMinimumWidth(60);
    variant_ = Named<QComboBox>("UsalsVariantBox", box);
    for (const char *name : kUsalsVariantNames)
      variant_->addItem(name);
    grid->addWidget(angle_, 0, 0);
    grid->addWidget(side_, 0, 1);
    grid->addWidget(motor_, 0, 2);
    grid->addWidget(variant_, 1, 0, 1, 2);
    grid->addWidget(Act("GotoAngleButton", "Go to angle",
                        [this] { model_.GotoAngle(Angle(), variant_->currentIndex()); }),
                    1, 2);
    QObject::connect(angle_, &QDoubleSpinBox::valueChanged, &form_, [this] { ShowMotor(); });
    QObject::connect(side_, &QComboBox::currentIndexChanged, &form_, [this] { ShowMotor(); });
    ShowMotor();
    return box;
  }

  QGroupBox *RawBox() {
    const auto [box, grid] = Box("Raw command");
    raw_ = Named<QLineEdit>("RawEdit", box);
    raw_->setAutoFillBackground(true);
    send_ = Act("SendRawButton", "Send", [this] { model_.SendRaw(raw_->text().toStdString()); });
    grid->addWidget(raw_, 0, 0);
    grid->addWidget(send_, 0, 1);
    QObject::connect(raw_, &QLineEdit::textChanged, &form_, [this] { CheckRaw(); });
    CheckRaw();
    return box;
  }

  void Step(bool east) { model_.Step(east, steps_->text().toStdString()); }

  device::TDishAngle Angle() const { return {angle_->value(), side_->currentIndex() == 1}; }

  void ShowMotor() {
    const TMotorAngleHint hint = MotorAngleHint(Angle(), context_.Options.DiseqC);
    motor_->setText(QString::fromStdString(hint.Text));
    QPalette palette = motor_->palette();
    palette.setColor(QPalette::WindowText, hint.West ? QColor(Qt::darkRed) : QColor(Qt::darkGreen));
    motor_->setPalette(palette);
  }

  // An empty field has nothing to send, but nothing wrong in it either.
  void CheckRaw() {
    const device::THexField field = device::ParseHexField(raw_->text().toStdString());
    const QColor colour = RawFieldColour(field.state);
    QPalette palette = form_.palette();
    if (colour.isValid())
      palette.setColor(QPalette::Base, colour);
    raw_->setPalette(palette);
    send_->setEnabled(field.state == device::THexField::Valid && !field.bytes.empty());
  }

  TFormDiseqcConsole &form_;
  TUiContext &context_;
  TDiseqcConsoleModel model_;
  QLineEdit *steps_ = nullptr;
  QSpinBox *stored_ = nullptr;
  QDoubleSpinBox *angle_ = nullptr;
  QComboBox *side_ = nullptr;
  QLabel *motor_ = nullptr;
  QComboBox *variant_ = nullptr;
  QLineEdit *raw_ = nullptr;
  QPushButton *send_ = nullptr;
};

TFormDiseqcConsole *TFormDiseqcConsole::ShowConsole(QWidget *owner, TUiContext &context) {
  if (context.Diseqc == nullptr || !context.Diseqc->Supported()) {
    frame::ShowWarning(device::kConsoleNotSupported);
    return nullptr;
  }
  if (theConsole == nullptr)
    theConsole = new TFormDiseqcConsole(owner, context);
  theConsole->show();
  theConsole->raise();
  theConsole->activateWindow();
  return theConsole;
}

TFormDiseqcConsole::TFormDiseqcConsole(QWidget *owner, TUiContext &context)
    : QWidget(owner, Qt::Window), impl_(std::make_unique<TImpl>(*this, context)) {
  setObjectName("FormDiseqcConsole");
  setWindowTitle("DiSEqC Console");
  setAttribute(Qt::WA_DeleteOnClose);
}

TFormDiseqcConsole::~TFormDiseqcConsole() {
  if (theConsole == this)
    theConsole = nullptr;
}

} // namespace qev::ui
