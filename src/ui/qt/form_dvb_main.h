#pragma once

#include "frame/log.h"

#include <QMainWindow>

#include <functional>

class QLabel;
class QProgressBar;

namespace qev::video {
class TVideoPanel;
}

namespace qev::ui {

// The program's main window. Its close runs the shutdown; a close that arrives while a long
// operation pumps messages waits until that operation has returned.
class TFormDvbMain final : public QMainWindow, public frame::MessageLineView {
  Q_OBJECT
public:
  // closeRequested runs the shutdown and answers whether the window may close.
  explicit TFormDvbMain(std::function<bool()> closeRequested);

  void SetDevice(const std::string& deviceName, const std::string& deviceInfo = {});
  void ShowMessageLine(const std::string& text, frame::LineColor color) override;
  QString MessageLine() const;
  // The tuner's signal: level and quality 0..100, the lock panel green or red.
  void ShowSignal(int level, int quality, bool locked);
  // The panel in the middle that shows the embedded video.
  video::TVideoPanel* VideoPanel() const { return videoPanel_; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  std::function<bool()> closeRequested_;
  QLabel* messageLine_;
  QProgressBar* levelBar_;
  QProgressBar* qualityBar_;
  QLabel* lockPanel_;
  video::TVideoPanel* videoPanel_;
};

} // namespace qev::ui
