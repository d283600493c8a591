#include "ui/qt/form_dvb_main.h"

#include "frame/busy_tracker.h"
#include "ui/main_window_caption.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>

namespace qev::ui {

TFormDvbMain::TFormDvbMain(std::function<bool()> closeRequested)
    : closeRequested_(std::move(closeRequested)), messageLine_(new QLabel) {
  auto* videoPanel = new QFrame;
  videoPanel->setObjectName("videoPanel");
  videoPanel->setAutoFillBackground(true);
  videoPanel->setPalette(QPalette(Qt::black));
  videoPanel->setMinimumSize(320, 180);
  setCentralWidget(videoPanel);
  messageLine_->setObjectName("messageLine");
  statusBar()->addWidget(messageLine_, 1);
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
