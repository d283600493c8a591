#include "web/qt/form_download.h"

#include "frame/process_flags.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace qev::web {

namespace {

constexpr int kUnknownLength = 999999;

template <typename Widget> Widget *Named(const char *name, QWidget *parent) {
  auto *widget = new Widget(parent);
  widget->setObjectName(name);
  return widget;
}

QString Text(const std::string &text) { return QString::fromStdString(text); }

void CentreOn(QWidget &window, const QWidget *owner) {
  window.adjustSize();
  const QRect area = owner ? owner->frameGeometry()
                           : (window.screen() ? window.screen()->availableGeometry() : QRect());
  if (area.isValid())
    window.move(area.center() - window.rect().center());
}

bool ProgramEnding() { return frame::Flags().Closing.load() || QCoreApplication::closingDown(); }

} // namespace

TFormDownload::TFormDownload(QWidget *owner, const QString &title)
    : QDialog(owner, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog) {
  setObjectName("FormDownload");
  setMinimumWidth(420);
  auto *column = new QVBoxLayout(this);
  auto *titleRow = new QHBoxLayout;
  title_ = Named<QLabel>("TitleLabel", this);
  title_->setText(title);
  title_->setStyleSheet("font-weight: bold;");
  auto *close = Named<QPushButton>("CloseButton", this);
  close->setText("X");
  close->setFixedWidth(28);
  connect(close, &QPushButton::clicked, this, [this] { reject(); });
  titleRow->addWidget(title_, 1);
  titleRow->addWidget(close);
  column->addLayout(titleRow);
  action_ = Named<QLabel>("ActionLabel", this);
  address_ = Named<QLabel>("AddressLabel", this);
  counter_ = Named<QLabel>("CounterLabel", this);
  progress_ = Named<QProgressBar>("Progress", this);
  progress_->setTextVisible(false);
  for (QWidget *widget : {static_cast<QWidget *>(action_), static_cast<QWidget *>(address_),
                          static_cast<QWidget *>(counter_), static_cast<QWidget *>(progress_)})
    column->addWidget(widget);
  CentreOn(*this, owner);
}

void TFormDownload::Action(const QString &text, const QColor &colour, const std::string &address) {
  action_->setText(text);
  action_->setStyleSheet(QString("color: %1;").arg(colour.name()));
  address_->setText(" " + Text(address));
  counter_->clear();
  progress_->reset();
}

void TFormDownload::Work(THttpWorkKind kind, const std::string &address, std::int64_t value) {
  switch (kind) {
  case THttpWorkKind::Resolving:
    Action(kActionResolving, Qt::blue, address);
    break;
  case THttpWorkKind::Connecting:
    Action(kActionConnecting, Qt::blue, address);
    break;
  case THttpWorkKind::Headers:
    Action(kActionDownloading, Qt::blue, address);
    progress_->setRange(0,
                        value > 0 && value <= INT32_MAX ? static_cast<int>(value) : kUnknownLength);
    progress_->setValue(0);
    break;
  case THttpWorkKind::Received:
    counter_->setText(QString::number(value));
    progress_->setValue(static_cast<int>(std::min<std::int64_t>(value, progress_->maximum())));
    break;
  case THttpWorkKind::Complete:
    Action(kActionFinished, Qt::darkGreen, address);
    break;
  }
}

void TFormDownload::ShowFailure(int code, const std::string &text) {
  action_->setText(QString::number(code) + "-" + Text(text));
  action_->setStyleSheet("color: red;");
}

void TFormDownload::mousePressEvent(QMouseEvent *event) {
  dragging_ = title_->geometry().contains(event->position().toPoint());
  dragFrom_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TFormDownload::mouseMoveEvent(QMouseEvent *event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton))
    move(event->globalPosition().toPoint() - dragFrom_);
}

void TFormDownload::reject() {
  closeRequested_ = true;
  if (OnCloseRequest)
    OnCloseRequest();
}

bool DownloadFile(QWidget *owner, const std::string &title, const std::string &address,
                  std::stringstream &stream, const std::function<void(TSynHttpGet &)> &configure) {
  TFormDownload window(owner, Text(title));
  window.show();
  QApplication::processEvents();
  stream.str({});
  stream.clear();

  TSynHttpGet client;
  if (configure)
    configure(client);
  QPointer<TFormDownload> target(&window);
  client.OnHttpWork = [target](THttpWorkKind kind, const std::string &at, std::int64_t value) {
    QMetaObject::invokeMethod(
        target,
        [target, kind, at, value] {
          if (target)
            target->Work(kind, at, value);
        },
        Qt::QueuedConnection);
  };
  window.OnCloseRequest = [&client] { client.HttpAbort(); };
  bool ok = false;
  {
    THttpGetThread transfer(client, address, stream);
    while (!transfer.Done()) {
      if (ProgramEnding())
        client.HttpAbort();
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::msleep(1);
    }
    ok = transfer.Wait();
  }
  QApplication::processEvents();
  if (!ok && !window.CloseRequested()) {
    window.ShowFailure(client.ResultCode, client.ResultString);
    while (!window.CloseRequested() && !ProgramEnding()) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::msleep(1);
    }
  }
  window.OnCloseRequest = nullptr;
  window.hide();
  return ok;
}

} // namespace qev::web
