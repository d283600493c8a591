#pragma once

#include "ui/mouse_gesture.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <cstdint>

class QMouseEvent;
class QWidget;

namespace qev::ui {

// Feeds a recogniser from one control's mouse events. The toolkit asks for the context menu
// when the right button goes down; in right-button mode that request waits for the release and
// is then given only when the stroke produced no letter, so a gesture never opens the menu
// while a plain right click does. A move outside the control ends the gesture, since no leave
// arrives while the button holds the mouse.
class TGestureHook final : public QObject {
  Q_OBJECT
public:
  explicit TGestureHook(std::uint32_t tag, Qt::MouseButton button = Qt::RightButton,
                        QObject *parent = nullptr);
  ~TGestureHook() override;

  // Releases the control attached before, then watches this one.
  void Attach(QWidget *control);
  void Detach();
  QWidget *Control() const { return control_; }
  TMouseGesture &Recogniser() { return gesture_; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  bool ContextMenu(QEvent *event);
  void Pressed(const QMouseEvent &mouse);
  void Moved(const QMouseEvent &mouse);
  void Released(const QMouseEvent &mouse);
  void EndOutside();

  const Qt::MouseButton button_;
  QPointer<QWidget> control_;
  TMouseGesture gesture_;
  bool menuPending_ = false; // a mouse request for the menu waits for the release
  bool replaying_ = false;
};

} // namespace qev::ui
