#include "ui/qt/gesture_hook.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <utility>

namespace qev::ui {

TGestureHook::TGestureHook(std::uint32_t tag, Qt::MouseButton button, QObject *parent)
    : QObject(parent), button_(button), gesture_(tag) {}

TGestureHook::~TGestureHook() { Detach(); }

void TGestureHook::Attach(QWidget *control) {
  Detach();
  control_ = control;
  if (control_)
    control_->installEventFilter(this);
}

void TGestureHook::Detach() {
  if (control_)
    control_->removeEventFilter(this);
  control_ = nullptr;
  menuPending_ = false;
}

bool TGestureHook::eventFilter(QObject *watched, QEvent *event) {
  if (watched != control_)
    return false;
  switch (event->type()) {
  case QEvent::ContextMenu:
    return ContextMenu(event);
  case QEvent::MouseButtonPress:
    Pressed(static_cast<QMouseEvent &>(*event));
    break;
  case QEvent::MouseMove:
    Moved(static_cast<QMouseEvent &>(*event));
    break;
  case QEvent::MouseButtonRelease:
    Released(static_cast<QMouseEvent &>(*event));
    break;
  case QEvent::Leave:
    EndOutside();
    break;
  default:
    break;
  }
  return false;
}

// True swallows the request.
bool TGestureHook::ContextMenu(QEvent *event) {
  const auto &menu = static_cast<QContextMenuEvent &>(*event);
  if (button_ != Qt::RightButton || replaying_ || menu.reason() != QContextMenuEvent::Mouse)
    return false;
  if (gesture_.Active()) {
    menuPending_ = true;
    return true;
  }
  return !gesture_.Gesture().empty();
}

void TGestureHook::Pressed(const QMouseEvent &mouse) {
  if (mouse.button() != button_)
    return;
  menuPending_ = false;
  const QPoint at = mouse.position().toPoint();
  gesture_.Start(at.x(), at.y());
}

void TGestureHook::Moved(const QMouseEvent &mouse) {
  if (!gesture_.Active())
    return;
  const QPoint at = mouse.position().toPoint();
  if (!control_->rect().contains(at)) {
    EndOutside();
    return;
  }
  gesture_.Move(at.x(), at.y());
}

void TGestureHook::Released(const QMouseEvent &mouse) {
  if (mouse.button() != button_ || !gesture_.Active())
    return;
  const bool menu = std::exchange(menuPending_, false);
  const QPointer<TGestureHook> self(this);
  const QPointer<QWidget> control = control_;
  gesture_.End();
  // The action may have closed the control's window.
  if (!self || !menu || !control || control != control_ || !gesture_.Gesture().empty())
    return;
  QContextMenuEvent request(QContextMenuEvent::Mouse, mouse.position().toPoint(),
                            mouse.globalPosition().toPoint(), mouse.modifiers());
  replaying_ = true;
  QCoreApplication::sendEvent(control, &request);
  if (self)
    replaying_ = false;
}

// Leaving the control ends the gesture; a request for the menu made there is dropped.
void TGestureHook::EndOutside() {
  menuPending_ = false;
  gesture_.End();
}

} // namespace qev::ui
