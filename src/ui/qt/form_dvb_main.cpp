#include "ui/qt/form_dvb_main.h"

#include "frame/busy_tracker.h"
#include "ui/main_window_caption.h"
#include "video/qt/video_panel.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>

namespace qev::ui {

namespace {

QProgressBar* SignalBar(const char* name, const char* format) {
  auto* bar = new QProgressBar;
  bar->setObjectName(name);
  bar->setRange(0, 100);
  bar->setFormat(format);
  bar->setMaximumWidth(140);
  return bar;
}

} // namespace

TFormDvbMain::TFormDvbMain(std::function<bool()> closeRequested)
    : closeRequested_(std::move(closeRequested)), messageLine_(new QLabel),
      levelBar_(SignalBar("levelBar", "Level %p%")),
      qualityBar_(SignalBar("qualityBar", "Quality %p%")), lockPanel_(new QLabel("Lock")),
      videoPanel_(new video::TVideoPanel) {
  videoPanel_->setMinimumSize(320, 180);
  setCentralWidget(videoPanel_);
  messageLine_->setObjectName("messageLine");
  statusBar()->addWidget(messageLine_, 1);
  lockPanel_->setObjectName("lockPanel");
  lockPanel_->setAlignment(Qt::AlignCenter);
  lockPanel_->setMinimumWidth(48);
  statusBar()->addPermanentWidget(levelBar_);
  statusBar()->addPermanentWidget(qualityBar_);
  statusBar()->addPermanentWidget(lockPanel_);
  ShowSignal(0, 0, false);
  SetDevice({});
  resize(800, 560);
}

void TFormDvbMain::SetDevice(const std::string& deviceName, const std::string& deviceInfo) {
  setWindowTitle(QString::fromStdString(MainWindowCaption(deviceName, deviceInfo)));
}

void TFormDvbMain::ShowMessageLine(const std::string& text, frame::LineColor color) {
  messageLine_->setStyleSheet(color == frame::LineColor::Red ? "color: red" : "color: blue");
  messageLine_->setText(QString::fromStdString(text));
}

QString TFormDvbMain::MessageLine() const { return messageLine_->text(); }

void TFormDvbMain::ShowSignal(int level, int quality, bool locked) {
  levelBar_->setValue(level);
  qualityBar_->setValue(quality);
  lockPanel_->setStyleSheet(locked ? "background: #2e9d3a; color: white"
                                   : "background: #c62828; color: white");
}

void TFormDvbMain::closeEvent(QCloseEvent* event) {
  if (frame::Operations().Busy()) {
    event->ignore();
    frame::Operations().WhenIdle([window = QPointer<TFormDvbMain>(this)] {
      if (window)
        window->close();
    });
    return;
  }
  if (closeRequested_())
    event->accept();
  else
    event->ignore();
}

} // namespace qev::ui
