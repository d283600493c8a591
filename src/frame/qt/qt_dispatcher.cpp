#include "frame/qt/qt_dispatcher.h"

#include <QCoreApplication>
#include <QThread>

namespace qev::frame {

TQtDispatcher::TQtDispatcher() = default;

void TQtDispatcher::Post(Task task) {
  QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

void TQtDispatcher::Send(Task task) {
  if (IsUiThread())
    task();
  else
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::BlockingQueuedConnection);
}

bool TQtDispatcher::IsUiThread() const { return QThread::currentThread() == context_.thread(); }

void TQtDispatcher::ProcessPending() { QCoreApplication::processEvents(); }

} // namespace qev::frame
