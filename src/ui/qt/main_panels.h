#pragma once

#include "data/channel_rec.h"
#include "ui/key_indicator.h"
#include "ui/programme_display.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QProgressBar;
class QSlider;
class QToolButton;

namespace qev::ui {

// The panels that describe AV slot 0's channel: provider, name, frequency and the media line,
// then the programme on air with its progress and the time panel (a click cycles its mode).
class TMainChannelPanels final : public QWidget {
  Q_OBJECT
public:
  explicit TMainChannelPanels(TNowLookup lookup, QWidget *parent = nullptr);

  // A switch of slot 0 began towards this channel: its panels, no media, no programme.
  void ShowPending(const data::TChannelRec &rec);
  // The switch ended: the programme of the channel now played.
  void ShowProgramme(const data::TChannelRec &rec, std::int64_t nowUtc);
  // Once a second while a channel is shown.
  void Tick(std::int64_t nowUtc);
  // Kind 1 video, 2 audio; an empty text forgets that kind.
  void SetMediaText(int kind, const std::string &text);
  void CycleTimeMode();

  QString ProviderText() const;
  QString NameText() const;
  QString FrequencyText() const;
  QString MediaText() const;
  QString EventText() const;
  QString TimeText() const;

private:
  void ShowDisplay();

  TProgrammeDisplay programme_;
  std::string videoText_;
  std::string audioText_;
  QLabel *provider_;
  QLabel *name_;
  QLabel *frequency_;
  QLabel *media_;
  QLabel *event_;
  QProgressBar *progress_;
  QToolButton *time_;
};

// AV slot 0's volume: the slider sets the base volume, the switch is on while sound is on, the
// label shows the effective volume after the channel's adjustment.
class TMainVolumeControls final : public QWidget {
  Q_OBJECT
public:
  struct THandlers {
    std::function<void(int volume)> SetVolume;
    std::function<void()> ToggleMute;
  };
  explicit TMainVolumeControls(QWidget *parent = nullptr);

  void SetHandlers(THandlers handlers) { handlers_ = std::move(handlers); }
  void ShowVolume(int volume, bool muted, int effective);
  int Volume() const;
  QString EffectiveText() const;

private:
  THandlers handlers_;
  QCheckBox *sound_;
  QSlider *slider_;
  QLabel *effective_;
};

// The key indicators of AV slots 0 and 1, stepped by a 200 ms timer.
class TMainKeyIndicators final : public QWidget {
  Q_OBJECT
public:
  explicit TMainKeyIndicators(bool pipPossible, QWidget *parent = nullptr);

  // A new status (blink) or none (off) for a slot.
  void SetStatus(int slot, bool active);
  // The reception indicators of a slot: audio and video present.
  void ShowReception(int slot, bool audio, bool video);
  void Tick();
  TIndicatorImage Image(int slot) const { return indicators_[slot].Image(); }
  // A click on the key indicator of a slot: (slot, 0 left / 1 right).
  void OnKeyClick(std::function<void(int slot, int button)> handler);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  std::array<TKeyIndicator, 2> indicators_;
  std::array<QLabel *, 2> keys_{};
  std::array<QLabel *, 2> reception_{};
  std::function<void(int, int)> keyClick_;
};

} // namespace qev::ui
