#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace qev::data::test {

// Acts on the next modal dialog once it is shown, from inside its own event loop.
inline void WhenModal(std::function<void(QWidget &)> act) {
  auto timer = std::make_shared<QTimer>();
  timer->setInterval(10);
  QObject::connect(timer.get(), &QTimer::timeout, [timer, act = std::move(act)]() mutable {
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
      return;
    timer->stop();
    act(*modal);
  });
  timer->start();
}

} // namespace qev::data::test
