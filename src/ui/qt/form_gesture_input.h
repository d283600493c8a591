#pragma once

#include "ui/qt/gesture_hook.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;

namespace qev::ui {

// The area a gesture is drawn on: a grid at the recogniser's threshold, the hint, and the
// trail of the stroke being drawn.
class TGestureArea final : public QWidget {
  Q_OBJECT
public:
  explicit TGestureArea(QWidget *parent = nullptr);
  void ClearTrail();
  void AddDot(QPoint at);

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  std::vector<QPoint> trail_;
};

// Draws a new gesture for one action; OK gives it back.
class TFormGestureInput final : public QDialog {
  Q_OBJECT
public:
  TFormGestureInput(QWidget *owner, const QString &caption, const std::string &gesture);

  // The gesture given at the start, or the letters drawn since a new stroke began.
  const std::string &Gesture() const { return gesture_; }
  TGestureArea *Area() const { return area_; }
  QLabel *TextPanel() const { return text_; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void OnGesture(TMouseGesture::TEvent event, const std::string &gesture);
  void ShowText(const QColor &color);

  std::string gesture_;
  TGestureArea *area_;
  QLabel *text_;
  TGestureHook hook_;
};

// Runs the dialog; the new gesture when confirmed.
std::optional<std::string> AskGesture(QWidget *owner, const QString &actionName,
                                      const std::string &gesture);

} // namespace qev::ui
