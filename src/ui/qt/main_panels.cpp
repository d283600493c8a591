#include "ui/qt/main_panels.h"

#include "ui/main_panel_texts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>
#include <QToolTip>

namespace qev::ui {

namespace {

QLabel *Panel(const char *name, const QString &tip, int stretch, QHBoxLayout *row) {
  auto *label = new QLabel;
  label->setObjectName(name);
  label->setToolTip(tip);
  label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 6);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(label, stretch);
  return label;
}

QString Text(const std::string &text) { return QString::fromStdString(text); }

const char *IndicatorStyle(TIndicatorImage image) {
  switch (image) {
  case TIndicatorImage::Off:
    return "background: #37474f; color: #b0bec5";
  case TIndicatorImage::On:
    return "background: #2e9d3a; color: white";
  case TIndicatorImage::Alt:
    return "background: #a5d6a7; color: #1b5e20";
  default:
    return "background: palette(window); color: palette(mid)";
  }
}

} // namespace

TMainChannelPanels::TMainChannelPanels(TNowLookup lookup, QWidget *parent) : QWidget(parent) {
  programme_.SetLookup(std::move(lookup));
  auto *rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(2);
  auto *channel = new QHBoxLayout;
  provider_ = Panel("providerPanel", tr("Provider"), 2, channel);
  name_ = Panel("namePanel", tr("Channel"), 3, channel);
  frequency_ = Panel("frequencyPanel", tr("Frequency, polarisation, symbol rate"), 2, channel);
  media_ = Panel("mediaPanel", tr("Video and audio format"), 4, channel);
  rows->addLayout(channel);
  auto *now = new QHBoxLayout;
  event_ = Panel("eventPanel", tr("Programme on air"), 5, now);
  progress_ = new QProgressBar;
  progress_->setObjectName("programmeProgress");
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(event_->sizeHint().height() / 2 + 2);
  progress_->setMinimumWidth(event_->fontMetrics().averageCharWidth() * 6);
  progress_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  now->addWidget(progress_, 2);
  time_ = new QToolButton;
  time_->setObjectName("timePanel");
  time_->setToolTip(tr("Start and end, elapsed or remaining time (click to change)"));
  time_->setAutoRaise(true);
  time_->setMinimumWidth(time_->fontMetrics().horizontalAdvance(" 00:00-00:00 ") + 8);
  connect(time_, &QToolButton::clicked, this, [this] { CycleTimeMode(); });
  now->addWidget(time_);
  rows->addLayout(now);
  ShowDisplay();
}

void TMainChannelPanels::ShowPending(const data::TChannelRec &rec) {
  provider_->setText(Text(ProviderPanelText(rec)));
  name_->setText(Text(NamePanelText(rec)));
  frequency_->setText(Text(FrequencyPanelText(rec)));
  videoText_.clear();
  audioText_.clear();
  media_->clear();
  programme_.Clear();
  ShowDisplay();
}

void TMainChannelPanels::ShowProgramme(const data::TChannelRec &rec, std::int64_t nowUtc) {
  programme_.Show(rec.TID, rec.SID, nowUtc);
  ShowDisplay();
}

void TMainChannelPanels::Tick(std::int64_t nowUtc) {
  programme_.Tick(nowUtc);
  ShowDisplay();
}

void TMainChannelPanels::SetMediaText(int kind, const std::string &text) {
  (kind == 1 ? videoText_ : audioText_) = text;
  media_->setText(Text(MediaPanelText(videoText_, audioText_)));
}

void TMainChannelPanels::CycleTimeMode() {
  programme_.CycleMode();
  ShowDisplay();
}

void TMainChannelPanels::ShowDisplay() {
  event_->setText(Text(programme_.EventText()));
  time_->setText(Text(programme_.TimeText()));
  progress_->setRange(0, programme_.ProgressMax());
  progress_->setValue(programme_.ProgressPosition());
}

QString TMainChannelPanels::ProviderText() const { return provider_->text(); }
QString TMainChannelPanels::NameText() const { return name_->text(); }
QString TMainChannelPanels::FrequencyText() const { return frequency_->text(); }
QString TMainChannelPanels::MediaText() const { return media_->text(); }
QString TMainChannelPanels::EventText() const { return event_->text(); }
QString TMainChannelPanels::TimeText() const { return time_->text(); }

TMainVolumeControls::TMainVolumeControls(QWidget *parent)
    : QWidget(parent), sound_(new QCheckBox(tr("Sound"))), slider_(new QSlider(Qt::Horizontal)),
      effective_(new QLabel) {
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  sound_->setObjectName("soundSwitch");
  sound_->setToolTip(tr("Sound on or off (mute)"));
  slider_->setObjectName("volumeSlider");
  slider_->setRange(0, 100);
  slider_->setPageStep(10);
  slider_->setToolTip(tr("Volume"));
  slider_->setMinimumWidth(slider_->fontMetrics().averageCharWidth() * 10);
  effective_->setObjectName("effectiveVolume");
  effective_->setToolTip(tr("Volume after the channel's adjustment"));
  effective_->setMinimumWidth(effective_->fontMetrics().horizontalAdvance("100 %") + 4);
  row->addWidget(sound_);
  row->addWidget(slider_, 1);
  row->addWidget(effective_);
  connect(sound_, &QCheckBox::clicked, this, [this] {
    if (handlers_.ToggleMute)
      handlers_.ToggleMute();
  });
  // Only the user's moves reach the outputs; ShowVolume sets the slider without a signal.
  connect(slider_, &QSlider::valueChanged, this, [this](int value) {
    if (!slider_->signalsBlocked() && handlers_.SetVolume) {
      handlers_.SetVolume(value);
      QToolTip::showText(slider_->mapToGlobal(QPoint(0, 0)), Text(VolumeHint(value)), slider_);
    }
  });
}

void TMainVolumeControls::ShowVolume(int volume, bool muted, int effective) {
  const QSignalBlocker blockSlider(slider_);
  const QSignalBlocker blockSound(sound_);
  slider_->setValue(volume);
  sound_->setChecked(!muted);
  effective_->setText(QString("%1 %").arg(effective));
}

int TMainVolumeControls::Volume() const { return slider_->value(); }
QString TMainVolumeControls::EffectiveText() const { return effective_->text(); }

TMainKeyIndicators::TMainKeyIndicators(bool pipPossible, QWidget *parent) : QWidget(parent) {
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (int slot = 0; slot < 2; ++slot) {
    keys_[slot] = new QLabel(QString("AV%1").arg(slot));
    keys_[slot]->setObjectName(QString("keyIndicator%1").arg(slot));
    keys_[slot]->setToolTip(tr("Plugin status of AV slot %1").arg(slot));
    reception_[slot] = new QLabel;
    reception_[slot]->setObjectName(QString("reception%1").arg(slot));
    reception_[slot]->setToolTip(tr("Audio and video received in AV slot %1").arg(slot));
    for (QLabel *label : {keys_[slot], reception_[slot]}) {
      label->setAlignment(Qt::AlignCenter);
      label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
      label->setMinimumWidth(label->fontMetrics().horizontalAdvance("AV0") + 8);
      row->addWidget(label);
      label->setVisible(slot == 0 || pipPossible);
    }
    keys_[slot]->setStyleSheet(IndicatorStyle(indicators_[slot].Image()));
    ShowReception(slot, false, false);
  }
}

void TMainKeyIndicators::OnKeyClick(std::function<void(int slot, int button)> handler) {
  keyClick_ = std::move(handler);
  for (QLabel *key : keys_)
    key->installEventFilter(this);
}

bool TMainKeyIndicators::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && keyClick_) {
    const auto *press = static_cast<QMouseEvent *>(event);
    const int slot = watched == keys_[0] ? 0 : watched == keys_[1] ? 1 : -1;
    const int button = press->button() == Qt::LeftButton    ? 0
                       : press->button() == Qt::RightButton ? 1
                                                            : -1;
    if (slot >= 0 && button >= 0) {
      keyClick_(slot, button);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TMainKeyIndicators::SetStatus(int slot, bool active) {
  if (slot < 0 || slot > 1)
    return;
  if (active)
    indicators_[slot].SetBlink();
  else
    indicators_[slot].SetOff();
}

void TMainKeyIndicators::ShowReception(int slot, bool audio, bool video) {
  reception_[slot]->setText(QString("%1%2").arg(audio ? "A" : "-", video ? "V" : "-"));
  reception_[slot]->setStyleSheet(audio || video ? IndicatorStyle(TIndicatorImage::On)
                                                 : IndicatorStyle(TIndicatorImage::Off));
}

void TMainKeyIndicators::Tick() {
  for (int slot = 0; slot < 2; ++slot)
    keys_[slot]->setStyleSheet(IndicatorStyle(indicators_[slot].Tick()));
}

} // namespace qev::ui
