#pragma once

#include "device/slot_state.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QMenu;
class QToolButton;

namespace qev::ui {

// The buttons below a channel tree: open and close all groups, the playing channel, the parent
// row, the previous channel with its history menu, and channel up and down. Shift+Ctrl on up or
// down steps on its own every three seconds until another press on either.
class TChanTreeNavBar : public QWidget {
  Q_OBJECT
public:
  static constexpr int kAutoStepMs = 3000;

  TChanTreeNavBar(std::function<const device::TSlotState &()> slot, QWidget *parent);

  bool AutoStepping() const { return autoStep_.isActive(); }
  int AutoStepDirection() const { return autoDirection_; }
  QMenu *HistoryMenu() const { return history_; }

signals:
  void OpenAll();
  void CloseAll();
  void GoPlaying();
  void GoParent();
  void Step(int direction);
  void SwitchTo(std::int32_t handle);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QToolButton *Button(const char *name, const QString &text, const QString &tip);
  void FillHistory();
  void OnPrevious();
  void StepPressed(int direction, Qt::KeyboardModifiers modifiers);

  std::function<const device::TSlotState &()> slot_;
  QToolButton *up_ = nullptr;
  QToolButton *down_ = nullptr;
  QMenu *history_ = nullptr;
  QTimer autoStep_;
  int autoDirection_ = 0;
};

} // namespace qev::ui
