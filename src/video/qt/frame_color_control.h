#pragma once

#include "video/video_outputs.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QSlider;

namespace qev::video {

// The picture settings of one video: brightness, contrast, saturation and hue applied as they
// move, volume and mute; closing saves picture and sound.
class TFrameColorControl final : public QWidget {
  Q_OBJECT
public:
  TFrameColorControl(TVideoOutputs &outputs, int index, QWidget *parent = nullptr);

  int Index() const { return index_; }
  QSlider *Slider(int control) const { return rows_[control].slider; }
  QLabel *ValueLabel(int control) const { return rows_[control].value; }
  QSlider *VolumeSlider() const { return volume_; }
  QCheckBox *MuteBox() const { return mute_; }
  // What a double click on a control's image does: back to its neutral value.
  void ResetControl(int control);
  // The rows, in the order shown: brightness, contrast, saturation, hue.
  static constexpr int kRows = 4;

protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TRow {
    int valueIndex = 0; // place in the picture record
    std::uint32_t flag = 0;
    QLabel *image = nullptr;
    QSlider *slider = nullptr;
    QLabel *value = nullptr;
  };
  void PictureMoved();
  void SoundChanged();

  TVideoOutputs &outputs_;
  const int index_;
  std::array<TRow, kRows> rows_;
  QSlider *volume_;
  QCheckBox *mute_;
};

} // namespace qev::video
