#include "frame/qt/form_startup.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qev::frame {

TFormStartup::TFormStartup()
    : log_(new QListWidget), progress_(new QProgressBar), close_(new QPushButton(tr("Close"))) {
  setWindowTitle(kCaption);
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(log_);
  layout->addWidget(progress_);
  layout->addWidget(close_, 0, Qt::AlignRight);
  progress_->hide();
  close_->setEnabled(false);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  resize(420, 260);
}

void TFormStartup::AppendLogLine(const std::string& line) {
  log_->addItem(QString::fromStdString(line));
  log_->scrollToBottom();
}

QStringList TFormStartup::LogLines() const {
  QStringList lines;
  for (int i = 0; i < log_->count(); ++i)
    lines << log_->item(i)->text();
  return lines;
}

void TFormStartup::SetProgressMaximum(int maximum) { progress_->setMaximum(maximum); }

void TFormStartup::SetProgressPosition(int position) { progress_->setValue(position); }

void TFormStartup::SetProgressVisible(bool visible) { progress_->setVisible(visible); }

void TFormStartup::WaitForClose() {
  closable_ = true;
  close_->setEnabled(true);
  if (!isVisible())
    return;
  QEventLoop loop;
  connect(this, &TFormStartup::Closed, &loop, &QEventLoop::quit);
  loop.exec();
}

void TFormStartup::closeEvent(QCloseEvent* event) {
  // Before the start-up has ended there is nothing the window could give up.
  if (!closable_) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

} // namespace qev::frame
