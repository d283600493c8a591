#include "video/qt/frame_color_control.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

namespace qev::video {

namespace {

struct TRowText {
  const char *name;
  int valueIndex;
  std::uint32_t flag;
};
constexpr TRowText kRowTexts[TFrameColorControl::kRows] = {
    {"Brightness", 0, QEV_PICTURE_BRIGHTNESS},
    {"Contrast", 1, QEV_PICTURE_CONTRAST},
    {"Saturation", 3, QEV_PICTURE_SATURATION},
    {"Hue", 2, QEV_PICTURE_HUE}};
constexpr int kNeutral = 128;
constexpr int kOverlayBrightness = 18;
constexpr std::uint32_t kFourControls = 0x0F;

QSlider *MakeSlider(int maximum) {
  auto *slider = new QSlider(Qt::Horizontal);
  slider->setRange(0, maximum);
  slider->setMinimumWidth(200);
  return slider;
}

} // namespace

TFrameColorControl::TFrameColorControl(TVideoOutputs &outputs, int index, QWidget *parent)
    : QWidget(parent, Qt::Tool), outputs_(outputs), index_(index), volume_(MakeSlider(100)),
      mute_(new QCheckBox("Mute")) {
  setObjectName("TFrameColorControl");
  setAttribute(Qt::WA_DeleteOnClose);
  const TVideoSettings &settings = outputs_.Settings(index);
  setWindowTitle(
      QString("Picture settings [%1] %2")
          .arg(kVideoNames[index], QString::fromStdString(PictureTag(settings.Picture))));
  auto *grid = new QGridLayout(this);
  for (int i = 0; i < kRows; ++i) {
    TRow &row = rows_[i];
    row.valueIndex = kRowTexts[i].valueIndex;
    row.flag = kRowTexts[i].flag;
    row.image = new QLabel(kRowTexts[i].name);
    row.image->installEventFilter(this);
    row.slider = MakeSlider(255);
    row.slider->setObjectName(kRowTexts[i].name);
    row.value = new QLabel;
    const bool present = (settings.Picture.Flags & row.flag) != 0;
    row.slider->setValue(settings.Picture.Values[row.valueIndex]);
    row.slider->setEnabled(present);
    row.value->setText(present ? QString::number(row.slider->value()) : QString("N/A"));
    connect(row.slider, &QSlider::valueChanged, this, [this, i](int value) {
      rows_[i].value->setText(QString::number(value));
      PictureMoved();
    });
    grid->addWidget(row.image, i, 0);
    grid->addWidget(row.slider, i, 1);
    grid->addWidget(row.value, i, 2);
  }
  volume_->setObjectName("Volume");
  volume_->setValue(settings.Sound.Volume);
  mute_->setChecked(settings.Sound.Muted);
  grid->addWidget(new QLabel("Volume"), kRows, 0);
  grid->addWidget(volume_, kRows, 1);
  grid->addWidget(mute_, kRows, 2);
  connect(volume_, &QSlider::valueChanged, this, [this] { SoundChanged(); });
  connect(mute_, &QCheckBox::toggled, this, [this] { SoundChanged(); });
}

void TFrameColorControl::PictureMoved() {
  PictureRecord &picture = outputs_.Settings(index_).Picture;
  picture.Flags = kFourControls;
  for (const TRow &row : rows_)
    picture.Values[row.valueIndex] = static_cast<std::uint8_t>(row.slider->value());
  outputs_.ApplyPicture(index_);
}

void TFrameColorControl::SoundChanged() {
  TVideoVolume &sound = outputs_.Settings(index_).Sound;
  sound.Volume = volume_->value();
  sound.Muted = mute_->isChecked();
  outputs_.ApplyVolume(index_);
}

void TFrameColorControl::ResetControl(int control) {
  const bool overlay = PictureTag(outputs_.Settings(index_).Picture) == "OVRL";
  const int neutral =
      rows_[control].flag == QEV_PICTURE_BRIGHTNESS && overlay ? kOverlayBrightness : kNeutral;
  if (rows_[control].slider->isEnabled())
    rows_[control].slider->setValue(neutral);
}

bool TFrameColorControl::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonDblClick)
    for (int i = 0; i < kRows; ++i)
      if (watched == rows_[i].image) {
        ResetControl(i);
        return true;
      }
  return QWidget::eventFilter(watched, event);
}

void TFrameColorControl::closeEvent(QCloseEvent *event) {
  outputs_.SavePictureAndSound(index_);
  event->accept();
}

} // namespace qev::video
